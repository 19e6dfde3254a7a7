#!/usr/bin/env bash
# A file end to end through Quillmere's sender and receiver (under Wine),
# beside what the same work costs natively: `openssl enc`, a plain copy and
# `openssl enc -d` of the same file, measured in the same run.
# Usage: QUILLMERE_BUILD=<build folder> tools/bench/file_transfer_vs_openssl.sh [size in MB, default 200]
set -euo pipefail
source "$(dirname "$0")/../env.sh"
megabytes=${1:-200}
bench="$QUILLMERE_BUILD/tools/bench/bench_file_transfer.exe"
[ -f "$bench" ] || { echo "build first: $bench not found" >&2; exit 1; }
export WINEPREFIX="$QUILLMERE_BUILD/wine-test"
export WINEDEBUG=-all

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
head -c "$((megabytes * 1024 * 1024))" /dev/urandom >"$work/plain.bin"

echo "== Quillmere (under wine64)"
"$WINE64" "$bench" "$megabytes" "Z:${work//\//\\}\\plain.bin" </dev/null

echo "== openssl enc + cp + openssl enc -d (native), same key derivation and file"
derived=$(openssl kdf -keylen 48 -kdfopt digest:SHA512 -kdfopt pass:Bench-pass -kdfopt hexsalt: \
  -kdfopt iter:8000 PBKDF2 | tr -d ':\n')
key=${derived:0:64}
iv=${derived:64:32}
start=$(date +%s.%N)
openssl enc -aes-256-cbc -K "$key" -iv "$iv" -in "$work/plain.bin" -out "$work/plain.bin.zof"
cp "$work/plain.bin.zof" "$work/copy.zof"
openssl enc -d -aes-256-cbc -K "$key" -iv "$iv" -in "$work/copy.zof" -out "$work/back.bin"
end=$(date +%s.%N)
cmp -s "$work/plain.bin" "$work/back.bin" || { echo "openssl round trip differs" >&2; exit 1; }
seconds=$(echo "$end - $start" | bc -l)
printf '%-34s %7.2f s %8.1f MB/s\n' "openssl enc + cp + openssl enc -d" "$seconds" "$(echo "$megabytes / $seconds" | bc -l)"
