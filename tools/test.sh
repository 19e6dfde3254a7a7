#!/usr/bin/env bash
# Builds Quillmere and its tests, then runs every test under Wine, headless.
set -euo pipefail
source "$(dirname "$0")/env.sh"
cryptopp=$(bash "$QUILLMERE_ROOT/tools/bootstrap.sh" | tail -n 1)
quillmere_build "$cryptopp"
quillmere_wine_prefix "$QUILLMERE_BUILD/wine-test" null
cd "$QUILLMERE_BUILD"
status=0
ctest --output-on-failure --timeout 900 "$@" </dev/null || status=$?
wineserver -k 2>/dev/null || true
exit $status
