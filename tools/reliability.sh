#!/usr/bin/env bash
# Builds Quillmere and puts the real program (headless, under Wine) through
# these abuses, printing both sides' figures:
#   1. tools/hostile_server.py against bench_hostile_client: a hostile mix of
#      lines, then a PING on the same connection;
#   2. bench_reconnect_storm against a local ngircd: Connect/Disconnect cycles
#      while another client floods the channel Quillmere joins;
#   3. bench_repeated_welcome: a server repeating its end-of-welcome reply
#      3,000 times (threads before and after, JOINs sent);
#   4. bench_transfer_trickle: a peer trickles into the file receiver while
#      another sends a good file, until the receiver cuts the trickler; then
#      one address holds 4 connections while a sender from another sends;
#   5. bench_link_burst: a burst of link lines in a channel whose links are
#      opened, with the window's slowest answer meanwhile;
#   6. bench_server_log_switch: PONG after one line the code page cannot hold,
#      with a 500 MB server log present.
# Usage: tools/reliability.sh [--lines N] [--seed N] [--send-timeout S] [--cycles N] [--links N]
# Exit status 1 when the PING went unanswered, the storm left something behind,
# a repeated welcome left threads or JOINs behind, the good file did not
# arrive beside the trickler or the trickler was not cut, the link burst
# opened too many links, or the PONG after the log switch did not come.
set -euo pipefail
source "$(dirname "$0")/env.sh"

lines=100000 seed=1 send_timeout=300 cycles=100 links=100
while [ $# -gt 0 ]; do
  case "$1" in
  --lines) lines=$2 ;;
  --seed) seed=$2 ;;
  --send-timeout) send_timeout=$2 ;;
  --cycles) cycles=$2 ;;
  --links) links=$2 ;;
  *) sed -n '2,17p' "$0" >&2; exit 2 ;;
  esac
  shift 2
done

cryptopp=$(bash "$QUILLMERE_ROOT/tools/bootstrap.sh" | tail -n 1)
quillmere_build "$cryptopp" >/dev/null
quillmere_wine_prefix "$QUILLMERE_BUILD/wine-test" null
bench=$QUILLMERE_BUILD/tools/bench
work=$QUILLMERE_BUILD/reliability
mkdir -p "$work"
status=0
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  bash "$QUILLMERE_ROOT/tools/ngircd_fixture.sh" stop "$work/ngircd"
}
trap cleanup EXIT

echo "== hostile server: $lines lines, seed $seed, $send_timeout s to read them, 60 s for the PONG"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()')
python3 "$QUILLMERE_ROOT/tools/hostile_server.py" --port "$port" --lines "$lines" --seed "$seed" \
  --send-timeout "$send_timeout" >"$work/hostile_server.log" 2>&1 &
server_pid=$!
# The server takes one client only: wait for its word rather than knock on the port.
for _ in $(seq 1 100); do
  grep -q 'waiting for an IRC client' "$work/hostile_server.log" && break
  sleep 0.1
done
# The client may still be reading what was buffered when the server gives up.
"$WINE64" "$bench/bench_hostile_client.exe" "$port" --limit $((send_timeout + 120)) </dev/null || status=1
wait "$server_pid" || status=1
server_pid=
cat "$work/hostile_server.log"

echo "== reconnect storm: $cycles cycles against ngircd"
bash "$QUILLMERE_ROOT/tools/ngircd_fixture.sh" start "$work/ngircd" >/dev/null
"$WINE64" "$bench/bench_reconnect_storm.exe" "$(cat "$work/ngircd/port")" --cycles "$cycles" </dev/null || status=1

echo "== repeated end-of-welcome replies"
"$WINE64" "$bench/bench_repeated_welcome.exe" 3000 </dev/null || status=1

echo "== file receiver: one peer trickles a byte a second, another sends a 1 MB file"
"$WINE64" "$bench/bench_transfer_trickle.exe" 1024 </dev/null || status=1
echo "== file receiver: one address holds 4 connections, a sender from another sends a 1 MB file"
"$WINE64" "$bench/bench_transfer_trickle.exe" 1024 --holders 4 </dev/null || status=1

echo "== link burst: $links link lines in a channel whose links are opened"
"$WINE64" "$bench/bench_link_burst.exe" --links "$links" </dev/null || status=1

echo "== server log: one line the code page cannot hold, with a 500 MB log present"
"$WINE64" "$bench/bench_server_log_switch.exe" 500 </dev/null || status=1

wineserver -k 2>/dev/null || true
exit $status
