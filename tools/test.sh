#!/usr/bin/env bash
# Builds Quillmere and its tests, then runs every test under Wine, headless.
set -euo pipefail
source "$(dirname "$0")/env.sh"
cryptopp=$(bash "$QUILLMERE_ROOT/tools/bootstrap.sh" | tail -n 1)
quillmere_build "$cryptopp"
quillmere_wine_prefix "$QUILLMERE_BUILD/wine-test" null
cd "$QUILLMERE_BUILD"
status=0
ctest --output-on-failure --timeout 900 "$@" </dev/null 2>&1 | tee ctest-output.log || status=$?
wineserver -k 2>/dev/null || true
# CTest prints its timing after the summary; end on the summary itself.
grep -E '^[0-9]+% tests passed' ctest-output.log | tail -n 1 || true
exit $status
