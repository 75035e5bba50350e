#!/usr/bin/env bash
# Installs everything the build, the tests and the benchmarks use, from
# Debian's packages. Safe to run again.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ccache clang libclang-rt-14-dev g++-mingw-w64-x86-64-posix
  libexpat1-dev expat zlib1g-dev libminizip-dev libcurl4-openssl-dev libssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  unzip zip p7zip-full libarchive-tools python3 pigz
  nginx openssl curl time bc
  dpkg-dev file libcli11-dev nlohmann-json3-dev libre2-dev shellcheck
  ansible openssh-server
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
