#!/usr/bin/env bash
# Installs everything the build, the tests and the benchmarks use, from
# Debian's packages. Safe to run again.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ccache clang libclang-rt-14-dev g++-mingw-w64-x86-64-posix
  libexpat1-dev expat zlib1g-dev libminizip-dev libcurl4-openssl-dev libssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  unzip zip p7zip-full libarchive-tools python3 python3-jsonschema pigz
  nginx openssl curl time bc
  dpkg-dev file lintian libcli11-dev nlohmann-json3-dev libre2-dev shellcheck
  ansible openssh-server python3-apt
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

# The tools that tests/configs checks the default configurations' areas
# with: interfaces, devices, partitions, modules, WireGuard, sudo, logrotate,
# CPU power, strongSwan's and OpenVPN's command-line tools. None of them
# needs a daemon; the packages that ship one (strongswan-starter, openvpn)
# are installed with service starts refused (policy-rc.d exit 101, honoured
# by invoke-rc.d and deb-systemd-invoke), so nothing starts: the tests see
# strongSwan's "daemon does not answer" and OpenVPN's version only.
config_area_packages=(
  iproute2 ethtool psmisc lsof lsscsi pciutils usbutils parted fdisk util-linux kmod procps
  net-tools wireguard-tools linux-cpupower sudo logrotate openssh-client strongswan-starter openvpn
)
# One query for all of them: a package dpkg does not know makes it fail, one
# that is not fully installed shows another status than "ii".
if ! states=$(dpkg-query -W -f='${db:Status-Abbrev}\n' "${config_area_packages[@]}" 2>/dev/null) ||
  grep -q -v '^ii' <<<"$states"; then
  export DEBIAN_FRONTEND=noninteractive
  policy=/usr/sbin/policy-rc.d own_policy=""
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' >"$policy" && chmod 755 "$policy" && own_policy=1
  fi
  status=0
  apt-get install -y --no-install-recommends "${config_area_packages[@]}" ||
    { apt-get update && apt-get install -y --no-install-recommends "${config_area_packages[@]}"; } || status=$?
  [ -z "$own_policy" ] || rm -f "$policy"
  [ "$status" = 0 ] || exit "$status"
fi
