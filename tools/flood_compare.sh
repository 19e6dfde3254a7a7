#!/usr/bin/env bash
# The same channel flood (tools/flood_server.py, 100,000 lines) taken in by
# HexChat and by Quillmere, each with its window shown on one virtual display,
# round after round in turn, and both times printed per round:
#   HexChat:   first line of the flood until its PONG (it answers the PING at
#              the end only after taking in and showing every line before it)
#   Quillmere: first line of the flood until every line is written and painted
#              (its PONG comes far earlier: the receive thread does not wait
#              for the window)
# Needs Debian's hexchat and xvfb; HexChat refuses to run as root, so it runs
# as the unprivileged user "floodbench" (created when missing).
#   tools/flood_compare.sh [--rounds 4] [--lines 100000]
set -euo pipefail
source "$(dirname "$0")/env.sh"
rounds=4 lines=100000
while [ $# -gt 0 ]; do
  case $1 in
    --rounds) rounds=$2; shift 2 ;;
    --lines) lines=$2; shift 2 ;;
    *) echo "usage: $0 [--rounds N] [--lines N]" >&2; exit 2 ;;
  esac
done
if ! command -v hexchat >/dev/null || ! command -v Xvfb >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y hexchat xvfb >/dev/null
fi
id floodbench >/dev/null 2>&1 || useradd -m floodbench

cryptopp=$(bash "$QUILLMERE_ROOT/tools/bootstrap.sh" | tail -n 1)
quillmere_build "$cryptopp" >/dev/null
# A prefix with the X11 driver: the window is really drawn.
quillmere_wine_prefix "$QUILLMERE_BUILD/wine-x11"

display=:93
Xvfb $display -screen 0 1280x800x24 >/dev/null 2>&1 &
xvfb=$!
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
sleep 1

hexchat_config=$work/hexchat
mkdir -p "$hexchat_config"
cat >"$hexchat_config/hexchat.conf" <<CONF
irc_nick1 = floodtest
irc_nick2 = floodtest_
irc_user_name = floodtest
irc_real_name = flood test
gui_slist_skip = 1
gui_join_dialog = 0
CONF
chown -R floodbench "$work"
chmod 755 "$work"

port=6690
for round in $(seq 1 "$rounds"); do
  port=$((port + 1))
  python3 "$QUILLMERE_ROOT/tools/flood_server.py" --port $port --lines "$lines" >"$work/hexchat.log" 2>&1 &
  server=$!
  sleep 0.5
  su floodbench -s /bin/sh -c "DISPLAY=$display timeout 120 hexchat -n -d $hexchat_config --url=irc://127.0.0.1:$port/ >/dev/null 2>&1" &
  wait $server || true
  pkill -u floodbench hexchat || true
  hexchat_s=$(sed -n 's/.*PONG \([0-9.]*\) s after the first line.*/\1/p' "$work/hexchat.log")

  port=$((port + 1))
  python3 "$QUILLMERE_ROOT/tools/flood_server.py" --port $port --lines "$lines" >"$work/quillmere.log" 2>&1 &
  server=$!
  sleep 0.5
  DISPLAY=$display WINEPREFIX=$QUILLMERE_BUILD/wine-x11 timeout 120 "$WINE64" \
    "$QUILLMERE_BUILD/tools/bench/bench_flood_client.exe" $port --visible >"$work/client.log" 2>/dev/null || true
  wait $server || true
  quillmere_s=$(sed -n 's/.*: \([0-9.]*\) s from the first line of the flood until every line was shown.*/\1/p' "$work/client.log")
  printf 'round %d: HexChat %s s, Quillmere %s s, HexChat / Quillmere %s\n' "$round" "${hexchat_s:-?}" \
    "${quillmere_s:-?}" "$(python3 -c "print(f'{$hexchat_s / $quillmere_s:.2f}')" 2>/dev/null || echo '?')"
done
