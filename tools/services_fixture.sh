#!/usr/bin/env bash
# Starts or stops InspIRCd with Atheme services linked, for the account-login
# tests, and a SCRAM-SHA-256 test server (Atheme as packaged has no SCRAM).
#   services_fixture.sh start DIR   ircd on 127.0.0.1 and ::1 (DIR/port), an
#                                   account alice / s3cretpw, TLS on DIR/tls_port
#                                   (its certificate's SHA-256 in
#                                   DIR/server-fingerprint) asking for client
#                                   certificates; alice's own DIR/client.der,
#                                   client.blob (its key as CryptoAPI imports
#                                   it), client-fingerprint; the SCRAM server
#                                   on DIR/scram_port (account alice / pencil),
#                                   ZNC on DIR/znc_port (alice / zncpass, its
#                                   nickname "bouncee" in #bounced)
#   services_fixture.sh stop DIR    stops them
# The configurations are tests/servers/*.conf.in, the helpers tools/test_servers/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
servers=$here/../tests/servers
scripts=$here/test_servers
action=$1
dir=$2

free_port() {
  python3 -c '
import random, socket
while True:
    p = random.randint(2000, 9999)
    try:
        for f, a in ((socket.AF_INET, "127.0.0.1"), (socket.AF_INET6, "::1")):
            s = socket.socket(f); s.bind((a, p)); s.close()
        print(p); break
    except OSError: pass'
}

wait_for() {  # wait_for FILE TEXT SECONDS
  for _ in $(seq 1 $(($3 * 10))); do
    grep -qs "$2" "$1" && return 0
    sleep 0.1
  done
  echo "not ready: '$2' never appeared in $1" >&2
  return 1
}

stop_all() {
  # InspIRCd with TLS modules crashes on SIGTERM; SIGKILL leaves nothing behind.
  for name in znc scram atheme inspircd; do
    if [ -f "$dir/$name.run" ]; then
      kill -9 "$(cat "$dir/$name.run")" 2>/dev/null || true
      rm -f "$dir/$name.run"
    fi
  done
}

case "$action" in
start)
  mkdir -p "$dir"
  stop_all
  rm -rf "$dir/port" "$dir/tls_port" "$dir/scram_port" "$dir/znc_port" "$dir"/*.log "$dir/services.db" "$dir/atheme.pid" "$dir/znc"
  port=$(free_port); sport=$(free_port); tls_port=$(free_port)
  # Self-signed, both: the server's (trusted by its fingerprint in the tests)
  # and the one alice logs in with (its SHA-256 fingerprint added to her account).
  for who in server client; do
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$who.test" \
      -keyout "$dir/$who-key.pem" -out "$dir/$who-cert.pem" 2>/dev/null
  done
  openssl x509 -in "$dir/client-cert.pem" -outform DER -out "$dir/client.der"
  openssl rsa -in "$dir/client-key.pem" -outform MSBLOB -out "$dir/client.blob" 2>/dev/null
  for who in server client; do
    openssl x509 -in "$dir/$who-cert.pem" -noout -fingerprint -sha256 | sed 's/.*=//' >"$dir/$who-fingerprint"
  done
  client_fingerprint=$(sed 's/://g' "$dir/client-fingerprint" | tr A-F a-f)
  sed -e "s|@DIR@|$dir|g" -e "s|@PORT@|$port|g" -e "s|@SPORT@|$sport|g" -e "s|@TLSPORT@|$tls_port|g" \
    "$servers/inspircd.conf.in" >"$dir/inspircd.conf"
  sed -e "s|@DIR@|$dir|g" -e "s|@SPORT@|$sport|g" "$servers/atheme.conf.in" >"$dir/atheme.conf"
  # exec: no shell stays behind holding CTest's pipes, and the PID is the server's.
  (cd "$dir" && exec setsid /usr/sbin/inspircd --config "$dir/inspircd.conf" --nofork --runasroot) \
    </dev/null >"$dir/inspircd.out" 2>&1 &
  echo $! >"$dir/inspircd.run"
  wait_for "$dir/ircd.log" "Startup complete" 20
  setsid /usr/bin/atheme-services -n -c "$dir/atheme.conf" -D "$dir" -l "$dir/atheme.log" -p "$dir/atheme.pid" \
    </dev/null >"$dir/atheme.out" 2>&1 & echo $! >"$dir/atheme.run"
  wait_for "$dir/atheme.log" "finished synching with uplink" 20
  python3 "$scripts/register_account.py" "$port" alice s3cretpw "$client_fingerprint"
  # The SCRAM server proves itself on the standard's example first.
  python3 "$scripts/scram_server.py" --check >/dev/null
  scram_port=$(free_port)
  setsid python3 "$scripts/scram_server.py" "$scram_port" </dev/null >"$dir/scram.log" 2>&1 &
  echo $! >"$dir/scram.run"
  for _ in $(seq 1 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$scram_port") 2>/dev/null && break
    sleep 0.1
  done
  # ZNC refuses to run as root (it waits), so it runs as nobody.
  znc_port=$(free_port)
  mkdir -p "$dir/znc/configs"
  # ZNC cannot bind to a named host when loopback is the only interface (its
  # look-up asks for configured addresses): in a private network namespace it
  # binds to any address, which there means loopback anyway.
  host_line="Host = 127.0.0.1"
  ip -4 addr show scope global 2>/dev/null | grep -q inet || host_line=""
  sed -e "s|@DIR@|$dir|g" -e "s|@PORT@|$port|g" -e "s|@ZPORT@|$znc_port|g" -e "s|@HOST@|$host_line|" "$servers/znc.conf.in" \
    >"$dir/znc/configs/znc.conf"
  chmod 755 "$dir"
  as_nobody=()
  if [ "$(id -u)" = 0 ]; then
    chown -R 65534:65534 "$dir/znc"
    as_nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  fi
  setsid "${as_nobody[@]}" /usr/bin/znc --foreground --datadir "$dir/znc" </dev/null >"$dir/znc.log" 2>&1 &
  echo $! >"$dir/znc.run"
  # Ready once its user sits in the channel: lines said before are not kept.
  python3 "$scripts/wait_for_nick.py" "$port" "#bounced" bouncee
  echo "$port" >"$dir/port"
  echo "$tls_port" >"$dir/tls_port"
  echo "$scram_port" >"$dir/scram_port"
  echo "$znc_port" >"$dir/znc_port"
  echo "services: ircd 127.0.0.1:$port and [::1]:$port, TLS 127.0.0.1:$tls_port, SCRAM 127.0.0.1:$scram_port, ZNC 127.0.0.1:$znc_port"
  ;;
stop)
  stop_all
  rm -f "$dir/port" "$dir/tls_port" "$dir/scram_port" "$dir/znc_port"
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2
  exit 2
  ;;
esac
