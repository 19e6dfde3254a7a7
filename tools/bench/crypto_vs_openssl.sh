#!/usr/bin/env bash
# Runs bench_crypto under Wine, then times `openssl enc -aes-256-cbc` (native)
# on a file of the same size, for a sense of what the file figures are worth.
# Usage: QUILLMERE_BUILD=<build folder> tools/bench/crypto_vs_openssl.sh [size in MB, default 64]
set -euo pipefail
source "$(dirname "$0")/../env.sh"
megabytes=${1:-64}
bench="$QUILLMERE_BUILD/tools/bench/bench_crypto.exe"
[ -f "$bench" ] || { echo "build first: $bench not found" >&2; exit 1; }
export WINEPREFIX="$QUILLMERE_BUILD/wine-test"
export WINEDEBUG=-all

echo "== Quillmere (Crypto++, under wine64)"
"$WINE64" "$bench" "$megabytes" </dev/null

echo "== openssl enc -aes-256-cbc (native), same key derivation and file size"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
head -c "$((megabytes * 1024 * 1024))" /dev/urandom >"$work/plain.bin"
# The same construction: PBKDF2-HMAC-SHA512, empty salt, 8000 iterations.
derived=$(openssl kdf -keylen 48 -kdfopt digest:SHA512 -kdfopt pass:File-password -kdfopt hexsalt: \
  -kdfopt iter:8000 PBKDF2 | tr -d ':\n')
key=${derived:0:64}
iv=${derived:64:32}
seconds() { local start end; start=$(date +%s.%N); "$@"; end=$(date +%s.%N); echo "$end - $start" | bc -l; }
enc=$(seconds openssl enc -aes-256-cbc -K "$key" -iv "$iv" -in "$work/plain.bin" -out "$work/plain.bin.zof")
dec=$(seconds openssl enc -d -aes-256-cbc -K "$key" -iv "$iv" -in "$work/plain.bin.zof" -out "$work/back.bin")
cmp -s "$work/plain.bin" "$work/back.bin" || { echo "openssl round trip differs" >&2; exit 1; }
printf 'file of %d MB: encryption %.1f MB/s, decryption %.1f MB/s\n' "$megabytes" \
  "$(echo "$megabytes / $enc" | bc -l)" "$(echo "$megabytes / $dec" | bc -l)"
