# Sourced by the build, run and test scripts: one place for folders and Wine settings.
QUILLMERE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QUILLMERE_BUILD=${QUILLMERE_BUILD:-$QUILLMERE_ROOT/build}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE64=/usr/lib/wine/wine64

# Configures (once) and builds everything; $1 is the Crypto++ prefix.
quillmere_build() {
  local cryptopp=$1
  if [ ! -f "$QUILLMERE_BUILD/CMakeCache.txt" ]; then
    cmake -S "$QUILLMERE_ROOT" -B "$QUILLMERE_BUILD" -G Ninja \
      -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$QUILLMERE_ROOT/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_CROSSCOMPILING_EMULATOR="$WINE64" \
      -DCRYPTOPP_ROOT="$cryptopp" >/dev/null
  fi
  cmake --build "$QUILLMERE_BUILD" -j"$(nproc)"
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
