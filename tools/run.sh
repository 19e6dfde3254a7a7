#!/usr/bin/env bash
# Builds Quillmere and starts it under Wine in a virtual desktop large enough
# for its 1400 x 750 window.
set -euo pipefail
source "$(dirname "$0")/env.sh"
cryptopp=$(bash "$QUILLMERE_ROOT/tools/bootstrap.sh" | tail -n 1)
quillmere_build "$cryptopp"
quillmere_wine_prefix "$QUILLMERE_BUILD/wine-run"
run_dir="$QUILLMERE_BUILD/run"
cd "$run_dir"
exec wine explorer /desktop=Quillmere,1600x900 "$run_dir/Quillmere.exe"
