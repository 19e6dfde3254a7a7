#!/usr/bin/env bash
# The same channel flood (tools/flood_server.py, 100,000 lines) taken in by
# HexChat and by the real Quillmere.exe, each with its window shown on one
# virtual display, round after round in turn (tools/flood_compare.py says
# what is timed). Quillmere runs as a user has it: in a Wine desktop, its own
# message loop and timers, connected through its Connect dialog, which
# flood_window_probe.exe opens, fills and clicks from outside.
# Needs Debian's hexchat and xvfb; HexChat refuses to run as root, so it runs
# as the unprivileged user "floodbench" (created when missing).
#   tools/flood_compare.sh [--rounds 5] [--lines 100000] [--senders 50] [--no-server-log] [--keep-stats DIR]
# --no-server-log: Quillmere with its server log switched off (on by default,
# it appends every line received to Downloads\server_data_log.txt as it comes).
# --keep-stats DIR: keeps each round's figures file of Quillmere's writing
# (QUILLMERE_QUEUE_STATS, one line per run of its queue) in DIR.
set -euo pipefail
source "$(dirname "$0")/env.sh"
rounds=5 lines=100000 senders=50 server_log=true keep_stats=
while [ $# -gt 0 ]; do
  case $1 in
    --rounds) rounds=$2; shift 2 ;;
    --lines) lines=$2; shift 2 ;;
    --senders) senders=$2; shift 2 ;;
    --no-server-log) server_log=false; shift ;;
    --keep-stats) keep_stats=$(mkdir -p "$2" && cd "$2" && pwd); shift 2 ;;
    *) echo "usage: $0 [--rounds N] [--lines N] [--senders N] [--no-server-log] [--keep-stats DIR]" >&2; exit 2 ;;
  esac
done
if ! command -v hexchat >/dev/null || ! command -v Xvfb >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y hexchat xvfb >/dev/null
fi
id floodbench >/dev/null 2>&1 || useradd -m floodbench

cryptopp=$(bash "$QUILLMERE_ROOT/tools/bootstrap.sh" | tail -n 1)
if [ ! -f "$QUILLMERE_BUILD/CMakeCache.txt" ]; then quillmere_build "$cryptopp" >/dev/null; fi
cmake --build "$QUILLMERE_BUILD" --target Quillmere flood_window_probe -j"$(nproc)" >/dev/null
# A prefix with the X11 driver, apart from the tests' headless one: the window is really drawn.
quillmere_wine_prefix "$QUILLMERE_BUILD/wine-x11"

display_number=
for n in $(seq 90 99); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display_number=$n; break; }
done
[ -n "$display_number" ] || { echo "flood_compare: no free X display number in :90 to :99" >&2; exit 1; }
Xvfb ":$display_number" -screen 0 1920x1080x24 >/dev/null 2>&1 </dev/null &
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

# A fresh run folder: the program's own Settings.ini names the identity the
# Connect dialog shows; the probe types the host and each round's port.
run_dir=$work/run
mkdir -p "$run_dir/Settings" "$run_dir/Downloads"
cp "$QUILLMERE_BUILD/run/Quillmere.exe" "$run_dir/"
printf '%s\r\n' '[servers]' 'server_name_default=127.0.0.1' 'server_port_default=7700' \
  'server_nickname_default=floodtest' 'server_username_default=floodtest' >"$run_dir/Settings/Settings.ini"
if [ "$server_log" = false ]; then
  printf '%s\r\n' '[preferences]' 'save_log_file=false' >>"$run_dir/Settings/Settings.ini"
fi

echo "flood_compare: $rounds rounds of $lines lines from $senders senders on $(nproc) cores, Quillmere's server log $([ "$server_log" = true ] && echo on || echo off); load now: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 "$QUILLMERE_ROOT/tools/flood_compare.py" --rounds "$rounds" --lines "$lines" --senders "$senders" --root "$QUILLMERE_ROOT" \
  --display ":$display_number" --hexchat-config "$hexchat_config" --wine "$WINE64" --wine-prefix "$WINEPREFIX" \
  --run-dir "$run_dir" --probe "$QUILLMERE_BUILD/tools/bench/flood_window_probe.exe" --keep-stats "$keep_stats"
echo "flood_compare: load after: $(cut -d' ' -f1-3 /proc/loadavg)"
