#!/usr/bin/env bash
# Runs a test executable in a Wine prefix whose screen is at another scale:
#   dpi_test.sh DPI PREFIX EXE [ARGS...]
# Wine takes a process's DPI from HKCU\Control Panel\Desktop\LogPixels when
# the process starts, so each scale needs the value set before the start; a
# prefix of its own per scale (made once, headless) keeps the other tests'
# prefix at 96. The test learns the scale it must find from QUILLMERE_EXPECT_DPI.
set -euo pipefail
source "$(dirname "$0")/env.sh"
dpi=$1 prefix=$2
shift 2
quillmere_wine_prefix "$prefix" null
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 </dev/null
wineserver -w
status=0
QUILLMERE_EXPECT_DPI=$dpi "$WINE64" "$@" || status=$?
wineserver -k 2>/dev/null || true  # this prefix's own server only
exit $status
