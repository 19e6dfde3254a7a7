#!/usr/bin/env bash
# Starts or stops the ngircd that the end-to-end tests talk to.
#   ngircd_fixture.sh start DIR   writes DIR/ngircd.conf, starts the server on a
#                                 free port of 127.0.0.1, writes the port to DIR/port
#   ngircd_fixture.sh stop DIR    stops it
# CTest runs these as the setup and cleanup of the e2e test. The server runs
# detached from CTest's pipes (CTest would otherwise wait for it).
set -euo pipefail
source "$(dirname "$0")/env.sh"
action=$1
dir=$2

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()'
}

case "$action" in
start)
  mkdir -p "$dir"
  if [ -f "$dir/pid" ]; then kill "$(cat "$dir/pid")" 2>/dev/null || true; fi
  rm -f "$dir/port" "$dir/pid"
  port=$(free_port)
  quillmere_ngircd_config "$dir/ngircd.conf" "$port"
  pid=$(quillmere_ngircd_start "$dir/ngircd.conf" "$dir/ngircd.log" "$port")
  echo "$pid" >"$dir/pid"
  echo "$port" >"$dir/port"
  echo "ngircd $pid listening on 127.0.0.1:$port"
  ;;
stop)
  if [ -f "$dir/pid" ]; then
    kill "$(cat "$dir/pid")" 2>/dev/null || true
    rm -f "$dir/pid" "$dir/port"
  fi
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2
  exit 2
  ;;
esac
