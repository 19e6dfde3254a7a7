# Sourced by the build, run and test scripts: one place for folders and Wine settings.
QUILLMERE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QUILLMERE_BUILD=${QUILLMERE_BUILD:-$QUILLMERE_ROOT/build}
export WINEDEBUG=${WINEDEBUG:--all}
# Checkouts of the tree in other folders share the compiler cache's entries.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$QUILLMERE_ROOT}
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE64=/usr/lib/wine/wine64

# Configures (once) and builds; $1 is the Crypto++ prefix, and the targets
# named after it are all that is built (everything, tests included, when none).
# The libsodium prefix comes from the bootstrap, which has built it by then.
quillmere_build() {
  local cryptopp=$1
  shift
  local targets=()
  if [ $# -gt 0 ]; then targets=(--target "$@"); fi
  local sodium
  sodium=$(bash "$QUILLMERE_ROOT/tools/bootstrap.sh" --sodium-prefix)
  if [ ! -f "$QUILLMERE_BUILD/CMakeCache.txt" ]; then
    local launcher=()
    # A compiler cache makes rebuilds in a second checkout of the tree cheap.
    if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi
    cmake -S "$QUILLMERE_ROOT" -B "$QUILLMERE_BUILD" -G Ninja "${launcher[@]}" \
      -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$QUILLMERE_ROOT/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_CROSSCOMPILING_EMULATOR="$WINE64" \
      -DCRYPTOPP_ROOT="$cryptopp" -DSODIUM_ROOT="$sodium" -DQUILLMERE_CRYPTOPP_LICENCE="$cryptopp/License.txt" >/dev/null
  elif ! grep -qxF "QUILLMERE_CRYPTOPP_LICENCE:FILEPATH=$cryptopp/License.txt" "$QUILLMERE_BUILD/CMakeCache.txt"; then
    # A build folder made with an earlier Crypto++ prefix keeps its library (the
    # same objects; switching would recompile everything) and takes the
    # licence text that the packages ship from the current prefix.
    cmake -S "$QUILLMERE_ROOT" -B "$QUILLMERE_BUILD" -DQUILLMERE_CRYPTOPP_LICENCE="$cryptopp/License.txt" >/dev/null
  fi
  # A build folder made before sealed chats learns where libsodium is.
  if ! grep -qxF "SODIUM_ROOT:PATH=$sodium" "$QUILLMERE_BUILD/CMakeCache.txt"; then
    cmake -S "$QUILLMERE_ROOT" -B "$QUILLMERE_BUILD" -DSODIUM_ROOT="$sodium" >/dev/null
  fi
  cmake --build "$QUILLMERE_BUILD" -j"$(nproc)" "${targets[@]}"
}

# Creates a Wine prefix once; "null" gives it the headless display driver.
quillmere_wine_prefix() {
  local prefix=$1 driver=${2:-}
  export WINEPREFIX=$prefix
  if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    wine wineboot -i >/dev/null 2>&1 </dev/null
    if [ "$driver" = null ]; then
      wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null
    fi
    wineserver -w
  fi
}

# Writes an ngircd configuration for a local test or practice server:
# $1 the file, $2 the port. It listens on 127.0.0.1 only, asks nothing of
# ident, DNS or PAM, and imposes no flood penalty (tests send in bursts).
quillmere_ngircd_config() {
  local conf=$1 port=$2
  mkdir -p "$(dirname "$conf")"
  cat >"$conf" <<CONF
[Global]
Name = irc.quillmere.local
Info = Quillmere local IRC server
Listen = 127.0.0.1
Ports = $port
MotdPhrase = Welcome to the local Quillmere test server
AdminInfo1 = Quillmere local server
AdminInfo2 = 127.0.0.1
AdminEMail = nobody@localhost
[Limits]
MaxConnectionsIP = 0
MaxNickLength = 30
MaxPenaltyTime = 0
MaxListSize = 1000
PingTimeout = 120
PongTimeout = 60
[Options]
PAM = no
Ident = no
DNS = no
CONF
}

# Makes a self-signed certificate for 127.0.0.1 and localhost in $1 (cert.pem,
# key.pem) unless one is there already. Nothing trusts it: a client is asked.
quillmere_self_signed_certificate() {
  local dir=$1
  [ -s "$dir/cert.pem" ] && [ -s "$dir/key.pem" ] && return 0
  mkdir -p "$dir"
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=localhost" \
    -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" \
    -keyout "$dir/key.pem" -out "$dir/cert.pem" >/dev/null 2>&1
}

# Adds a TLS listener to a configuration written by quillmere_ngircd_config:
# $1 the file, $2 the TLS port, $3 the certificate, $4 its key.
quillmere_ngircd_tls() {
  local conf=$1 port=$2 cert=$3 key=$4
  cat >>"$conf" <<CONF
[SSL]
CertFile = $cert
KeyFile = $key
Ports = $port
CONF
}

# Starts ngircd in the foreground of a detached session (no terminal, no
# pipes of the caller held open) and waits until it listens on 127.0.0.1:$3.
# $1 the configuration, $2 its log file; prints the process id.
quillmere_ngircd_start() {
  local conf=$1 log=$2 port=$3
  setsid /usr/sbin/ngircd -n -f "$conf" </dev/null >"$log" 2>&1 &
  local pid=$!
  for _ in $(seq 1 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$pid"
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  echo "ngircd did not start, see $log" >&2
  return 1
}

# Settings\Settings.ini of a fresh run folder: the local server as stored
# server 1 and as the last connection, and over TLS as stored server 2, with
# sample identities. An existing file is never touched.
quillmere_default_settings() {
  local settings_dir=$1/Settings
  mkdir -p "$settings_dir"
  [ -f "$settings_dir/Settings.ini" ] && return 0
  printf '%s\r\n' \
    '[servers]' \
    'server_name_1=127.0.0.1' \
    'server_port_1=6667' \
    'server_nickname_1=Quillfan' \
    'server_username_1=quilly' \
    'server_name_2=localhost' \
    'server_port_2=6697' \
    'server_nickname_2=Quillsafe' \
    'server_username_2=quilly' \
    'server_tls_2=true' \
    'server_name_default=127.0.0.1' \
    'server_port_default=6667' \
    'server_nickname_default=Quillfan' \
    'server_username_default=quilly' \
    >"$settings_dir/Settings.ini"
}
