#!/usr/bin/env bash
# Idempotent set-up of everything the build and the tests need on a Debian
# machine: the MinGW-w64 cross compiler, Wine, a local IRC server, GoogleTest
# sources and Crypto++ built for the Windows target (cached outside the tree).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cache=${QUILLMERE_CACHE:-${XDG_CACHE_HOME:-${HOME:-/root}/.cache}/quillmere}
cryptopp_prefix="$cache/cryptopp-mingw64"

packages=(
  g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  cmake make ninja-build googletest wine wine64 ngircd
  xvfb xauth imagemagick openssl python3 dpkg-dev
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Crypto++ is packaged for Linux only; its source package cross-builds cleanly.
if [ ! -f "$cryptopp_prefix/lib/libcryptopp.a" ]; then
  src_list=/etc/apt/sources.list.d/quillmere-deb-src.sources
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ /etc/apt/sources.list 2>/dev/null \
     && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    base=$(ls /etc/apt/sources.list.d/*.sources 2>/dev/null | grep -v quillmere | head -n 1 || true)
    if [ -n "$base" ]; then
      sed 's/^Types:.*/Types: deb-src/' "$base" | "${sudo_cmd[@]}" tee "$src_list" >/dev/null
    else
      grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/quillmere-deb-src.list >/dev/null
    fi
    "${sudo_cmd[@]}" apt-get update -qq
  fi
  work="$cache/cryptopp-src"
  rm -rf "$work"; mkdir -p "$work"
  (cd "$work" && apt-get source --download-only libcrypto++ >/dev/null && dpkg-source -x libcrypto++_*.dsc src >/dev/null)
  echo "bootstrap: building Crypto++ for x86_64-w64-mingw32 (about a minute)"
  make -C "$work/src" -f GNUmakefile-cross -j"$(nproc)" \
    CXX=x86_64-w64-mingw32-g++-posix AR=x86_64-w64-mingw32-ar RANLIB=x86_64-w64-mingw32-ranlib \
    CXXFLAGS="-O2 -DNDEBUG" static >"$work/build.log" 2>&1 || { tail -n 30 "$work/build.log"; exit 1; }
  mkdir -p "$cryptopp_prefix/lib" "$cryptopp_prefix/include/cryptopp"
  cp "$work/src/libcryptopp.a" "$cryptopp_prefix/lib/"
  cp "$work/src/"*.h "$cryptopp_prefix/include/cryptopp/"
  rm -rf "$work"
fi
echo "$cryptopp_prefix"
