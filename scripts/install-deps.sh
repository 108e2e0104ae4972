#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need. Does nothing when
# they are all present, so it is cheap to run before every build.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config python3 clang-format
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  libssl-dev openssl libcrypto++-dev libbotan-2-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
