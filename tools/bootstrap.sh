#!/usr/bin/env bash
# Idempotent set-up of everything the build and the tests need on a Debian
# machine: the MinGW-w64 cross compiler, Wine, a local IRC server, GoogleTest
# sources and Crypto++ built for the Windows target (cached outside the tree).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cache=${QUILLMERE_CACHE:-${XDG_CACHE_HOME:-${HOME:-/root}/.cache}/quillmere}

# Only the Crypto++ sources that the program, its tests and its benchmarks
# link: the archive members the linker pulls into any of them (read from the
# link maps), about a fifth of the library. Each is compiled by the library's
# own makefile with its own per-file flags, so the objects are the same bytes
# as in a full build. A new use of the library that needs another source
# fails to link ("undefined reference to CryptoPP::...") until it is added
# here; the list and the flags name the cache folder, so a changed list builds
# afresh beside the old one.
cryptopp_sources=(
  cryptlib.cpp cpu.cpp integer.cpp algparam.cpp allocate.cpp asn.cpp basecode.cpp
  dll.cpp ec2n.cpp ecp.cpp files.cpp filters.cpp fips140.cpp gf2n.cpp gf2n_simd.cpp
  gfpcrypt.cpp hex.cpp hmac.cpp hrtimer.cpp iterhash.cpp misc.cpp modes.cpp
  mqueue.cpp nbtheory.cpp oaep.cpp osrng.cpp pubkey.cpp queue.cpp randpool.cpp
  rdtables.cpp rijndael.cpp rijndael_simd.cpp rng.cpp sha.cpp sha_simd.cpp sse_simd.cpp
)
cryptopp_flags="-O2 -DNDEBUG"
cryptopp_key=$(printf '%s\n' "${cryptopp_sources[@]}" "$cryptopp_flags" | sha256sum | cut -c1-12)
cryptopp_prefix="$cache/cryptopp-mingw64-lean-$cryptopp_key"

# libsodium (sealed chats): Debian's source package, configured for the
# Windows target as a static library only. The options name the folder.
sodium_options="--host=x86_64-w64-mingw32 --disable-shared --enable-static --disable-pie --with-pic=no"
sodium_cflags="-O2"
sodium_key=$(printf '%s\n' "$sodium_options" "$sodium_cflags" | sha256sum | cut -c1-12)
sodium_prefix="$cache/libsodium-mingw64-$sodium_key"
# The build scripts ask for the prefix alone, before configuring CMake.
if [ "${1:-}" = "--sodium-prefix" ]; then echo "$sodium_prefix"; exit 0; fi

packages=(
  g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  cmake make ninja-build googletest wine wine64 ngircd
  xvfb xauth imagemagick openssl python3 dpkg-dev nsis
  autoconf automake libtool libsodium23 python3-cryptography
  inspircd atheme-services znc microsocks
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

# Source packages (Crypto++, libsodium) need a deb-src entry beside the machine's own.
enable_source_packages() {
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
}

# Crypto++ is packaged for Linux only; its source package cross-builds cleanly.
if [ ! -f "$cryptopp_prefix/lib/libcryptopp.a" ]; then
  enable_source_packages
  # A folder of this run's own, and the finished library moved into place in
  # one step: a second bootstrap at the same time, or one that was stopped,
  # never leaves a half-built prefix that looks complete.
  mkdir -p "$cache"
  work=$(mktemp -d "$cache/cryptopp-build.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  (cd "$work" && apt-get source --download-only libcrypto++ >/dev/null 2>&1 && dpkg-source -x libcrypto++_*.dsc src >/dev/null 2>&1) \
    || { echo "bootstrap: could not fetch or unpack Debian's libcrypto++ source package" >&2; exit 1; }
  echo "bootstrap: building ${#cryptopp_sources[@]} Crypto++ sources for x86_64-w64-mingw32 (about a minute on 2 cores)"
  make -C "$work/src" -f GNUmakefile-cross -j"$(nproc)" \
    CXX=x86_64-w64-mingw32-g++-posix AR=x86_64-w64-mingw32-ar RANLIB=x86_64-w64-mingw32-ranlib \
    CXXFLAGS="$cryptopp_flags" SRCS="${cryptopp_sources[*]}" static >"$work/build.log" 2>&1 \
    || { tail -n 30 "$work/build.log"; exit 1; }
  mkdir -p "$work/prefix/lib" "$work/prefix/include/cryptopp"
  cp "$work/src/libcryptopp.a" "$work/prefix/lib/"
  cp "$work/src/"*.h "$work/prefix/include/cryptopp/"
  cp "$work/src/License.txt" "$work/prefix/"
  mv -T "$work/prefix" "$cryptopp_prefix" 2>/dev/null || [ -f "$cryptopp_prefix/lib/libcryptopp.a" ]
  rm -rf "$work"
  trap - EXIT
fi

# libsodium likewise: Debian ships it for Linux only; its source package holds
# no configure script (Debian makes it with autoreconf), then cross-compiles
# as it stands. The same one-step move as above.
if [ ! -f "$sodium_prefix/lib/libsodium.a" ]; then
  enable_source_packages
  mkdir -p "$cache"
  work=$(mktemp -d "$cache/libsodium-build.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  (cd "$work" && apt-get source --download-only libsodium >/dev/null 2>&1 && dpkg-source -x libsodium_*.dsc src >/dev/null 2>&1) \
    || { echo "bootstrap: could not fetch or unpack Debian's libsodium source package" >&2; exit 1; }
  echo "bootstrap: building libsodium for x86_64-w64-mingw32 (a few minutes on 2 cores)"
  # shellcheck disable=SC2086
  (cd "$work/src" && autoreconf -fi && CC=x86_64-w64-mingw32-gcc-posix AR=x86_64-w64-mingw32-ar RANLIB=x86_64-w64-mingw32-ranlib \
     CFLAGS="$sodium_cflags" ./configure $sodium_options --prefix="$work/prefix" \
     && make -j"$(nproc)" && make install) >"$work/build.log" 2>&1 \
    || { tail -n 30 "$work/build.log"; exit 1; }
  cp "$work/src/LICENSE" "$work/prefix/"
  mv -T "$work/prefix" "$sodium_prefix" 2>/dev/null || [ -f "$sodium_prefix/lib/libsodium.a" ]
  rm -rf "$work"
  trap - EXIT
fi
echo "$cryptopp_prefix"
