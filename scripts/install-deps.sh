#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need. Does nothing when
# they are all present, so it is cheap to run before every build.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config python3 clang-format
  libgtest-dev libgmock-dev googletest libbenchmark-dev libcli11-dev
  libssl-dev openssl libcrypto++-dev libbotan-2-dev
  # the manual page, the Debian package and its test; a Russian glibc locale for the Wine test
  help2man man-db dpkg-dev locales
  # the check that Rijndael's constant-time paths neither branch on nor index with secrets
  valgrind
  # benchmark peers
  libgcrypt20-dev nettle-dev libtomcrypt-dev
  # the fuzz targets: clang with libFuzzer and the sanitizers' runtimes, and the symbolizer
  clang libclang-rt-14-dev llvm-14
  # the Windows plug-in: cross compiler, and Wine to run its tests
  g++-mingw-w64-i686 wine wine32:i386 fonts-wine
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  # Wine's 32-bit half comes from the i386 architecture.
  dpkg --print-foreign-architectures | grep -qx i386 || "${sudo_cmd[@]}" dpkg --add-architecture i386
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
