#!/usr/bin/env bash
# Builds the release packages for Windows users into build/dist/:
#   Quillmere-<version>-portable.zip  the program with empty Settings\ and
#                                     Downloads\ beside it, README, licences
#   Quillmere-<version>-setup.exe     a per-user installer made with NSIS
# The version is the project's VERSION in CMakeLists.txt, as the build has it.
set -euo pipefail
source "$(dirname "$0")/env.sh"
cryptopp=$(bash "$QUILLMERE_ROOT/tools/bootstrap.sh" | tail -n 1)
quillmere_build "$cryptopp"
cmake --build "$QUILLMERE_BUILD" --target portable setup
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$QUILLMERE_BUILD/CMakeCache.txt")
for package in portable.zip setup.exe; do
  file="$QUILLMERE_BUILD/dist/Quillmere-$version-$package"
  [ -f "$file" ] || { echo "package: $file was not made" >&2; exit 1; }
  echo "package: $file ($(du -k "$file" | cut -f1) KB)"
done
