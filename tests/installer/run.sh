#!/usr/bin/env bash
# CTest's "installer" test: checks the portable zip, makes the setup package, then runs
# test_installer.exe under Wine in a prefix of its own, made afresh each time,
# where it installs, starts, reinstalls and uninstalls Quillmere.
# $1 the build folder, $2 test_installer.exe, $3 the setup program to make,
# $4 the version it must record.
# Exit status 77 (CTest: skipped) when NSIS is not installed.
set -euo pipefail
build=$1 test_exe=$2 setup=$3 version=$4

# The portable zip needs no NSIS: the program, its two empty folders, the texts.
cmake --build "$build" --target portable
zip="$build/dist/Quillmere-$version-portable.zip"
listing=$(cmake -E tar tf "$zip")
for entry in Quillmere/Quillmere.exe Quillmere/Settings/ Quillmere/Downloads/ Quillmere/README.txt \
             Quillmere/Licences/Crypto++.txt; do
  grep -qxF "$entry" <<<"$listing" || { echo "installer: $entry is missing from $zip" >&2; exit 1; }
done
if [ "$(grep -c '^Quillmere/\(Settings\|Downloads\)/.' <<<"$listing")" -ne 0 ]; then
  echo "installer: the zip's Settings\\ or Downloads\\ is not empty" >&2; exit 1
fi

if ! command -v makensis >/dev/null; then
  echo "installer: makensis is missing (Debian package nsis; tools/bootstrap.sh installs it): skipped"
  exit 77
fi
source "$(dirname "$0")/../../tools/env.sh"
cmake --build "$build" --target setup

# Wine's menu builder would turn the Start-menu shortcut into a .desktop file
# in the real user's home: not for a test.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
prefix="$build/wine-installer"
rm -rf "$prefix"
quillmere_wine_prefix "$prefix" null

status=0
QUILLMERE_SETUP="Z:${setup//\//\\}" QUILLMERE_VERSION=$version "$WINE64" "$test_exe" </dev/null || status=$?
wineserver -k 2>/dev/null || true
exit $status
