#!/usr/bin/env bash
# The channel flood of tools/flood_server.py taken in by the real program
# (bench_flood_client, headless, under Wine) twice: over plain TCP and over
# TLS with a self-signed certificate. Prints both rates and their ratio; the
# goal is TLS at no less than half the plain rate.
# Usage: tools/bench/flood_tls_vs_plain.sh [--lines N]
# Exit status 1 when a run failed, not for a rate below the goal.
set -euo pipefail
source "$(dirname "$0")/../env.sh"

lines=100000
while [ $# -gt 0 ]; do
  case "$1" in
  --lines) lines=$2 ;;
  *) sed -n '2,8p' "$0" >&2; exit 2 ;;
  esac
  shift 2
done

# A configured build folder builds the one program needed; a fresh one, everything.
if [ -f "$QUILLMERE_BUILD/CMakeCache.txt" ]; then
  cmake --build "$QUILLMERE_BUILD" --target bench_flood_client >/dev/null
else
  quillmere_build "$(bash "$QUILLMERE_ROOT/tools/bootstrap.sh" | tail -n 1)" >/dev/null
fi
quillmere_wine_prefix "$QUILLMERE_BUILD/wine-test" null
bench=$QUILLMERE_BUILD/tools/bench
work=$QUILLMERE_BUILD/flood-tls
mkdir -p "$work"
quillmere_self_signed_certificate "$work/tls"
server_pid=
trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true' EXIT

# Runs one flood; prints its lines per second.
flood() {
  local mode=$1 log=$work/flood_$1.log port
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()')
  local server_args=(--port "$port" --lines "$lines") client_args=()
  if [ "$mode" = tls ]; then
    server_args+=(--tls "$work/tls/cert.pem" "$work/tls/key.pem")
    client_args+=(--tls)
  fi
  python3 "$QUILLMERE_ROOT/tools/flood_server.py" "${server_args[@]}" >"$log" 2>&1 &
  server_pid=$!
  for _ in $(seq 1 100); do
    grep -q 'waiting for an IRC client' "$log" && break
    sleep 0.1
  done
  "$WINE64" "$bench/bench_flood_client.exe" "$port" "${client_args[@]}" </dev/null >>"$log.client" 2>&1 || true
  wait "$server_pid" || { server_pid=; cat "$log" "$log.client" >&2; return 1; }
  server_pid=
  sed -n 's/^flood server: PONG .*: \([0-9,]*\) lines\/s.*/\1/p' "$log" | tr -d ,
}

echo "== channel flood, $lines lines: plain TCP, then TLS"
plain=$(flood plain)
tls=$(flood tls)
grep -h 'TLS' "$work/flood_tls.log" || true
echo "plain TCP: $plain lines/s"
echo "TLS:       $tls lines/s"
awk -v p="$plain" -v t="$tls" 'BEGIN { printf "TLS / plain: %.2f (goal: at least 0.50)\n", t / p }'
wineserver -k 2>/dev/null || true
