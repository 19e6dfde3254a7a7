#!/usr/bin/env bash
# Builds Quillmere and starts it under Wine in a virtual desktop large enough
# for its 1400 x 750 window, with a local IRC server (ngircd on
# 127.0.0.1:6667, and with TLS on 6697) to connect to; the server stops when
# Quillmere exits. The TLS certificate is self-signed, made on the first run
# and kept in the build folder: Quillmere asks once whether to trust it.
set -euo pipefail
source "$(dirname "$0")/env.sh"
cryptopp=$(bash "$QUILLMERE_ROOT/tools/bootstrap.sh" | tail -n 1)
# Only the program (its post-build step fills the run folder): the tests wait
# for tools/test.sh.
quillmere_build "$cryptopp" Quillmere
quillmere_wine_prefix "$QUILLMERE_BUILD/wine-run"
run_dir="$QUILLMERE_BUILD/run"

# First run: the local server is stored server 1 and the last connection.
quillmere_default_settings "$run_dir"

local_port=6667
local_tls_port=6697
ngircd_dir="$QUILLMERE_BUILD/ngircd-run"
ngircd_pid=
if (exec 3<>"/dev/tcp/127.0.0.1/$local_port") 2>/dev/null; then
  echo "run: 127.0.0.1:$local_port is already in use; Quillmere will find that server there"
else
  quillmere_ngircd_config "$ngircd_dir/ngircd.conf" "$local_port"
  if quillmere_self_signed_certificate "$ngircd_dir/tls"; then
    quillmere_ngircd_tls "$ngircd_dir/ngircd.conf" "$local_tls_port" "$ngircd_dir/tls/cert.pem" "$ngircd_dir/tls/key.pem"
    echo "run: TLS on 127.0.0.1:$local_tls_port, certificate $(openssl x509 -in "$ngircd_dir/tls/cert.pem" -noout -fingerprint -sha256)"
  else
    echo "run: no certificate could be made (openssl); the local server offers no TLS"
  fi
  if ngircd_pid=$(quillmere_ngircd_start "$ngircd_dir/ngircd.conf" "$ngircd_dir/ngircd.log" "$local_port"); then
    echo "run: local IRC server on 127.0.0.1:$local_port (log: $ngircd_dir/ngircd.log)"
  else
    ngircd_pid=
    echo "run: the local IRC server did not start; Quillmere runs without it"
  fi
fi
# Without a display (a server, a container) the program still runs, on a
# virtual X screen; `DISPLAY=:N import -window root shot.png` shows it.
xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 99); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display_number=$n; break; }
  done
  Xvfb ":$display_number" -screen 0 1920x1080x24 >/dev/null 2>&1 </dev/null &
  xvfb_pid=$!
  export DISPLAY=":$display_number"
  sleep 1
  echo "run: no display; running on the virtual screen $DISPLAY"
fi
stop_local_server() {
  if [ -n "$ngircd_pid" ]; then kill "$ngircd_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap stop_local_server EXIT

cd "$run_dir"
wine explorer /desktop=Quillmere,1600x900 "$run_dir/Quillmere.exe"
