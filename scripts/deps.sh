#!/usr/bin/env bash
# Installs the Debian packages Zentrel needs to build, test and run, when missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libgl-dev libzip-dev zip unzip
  libgtest-dev libbenchmark-dev
  fonts-dejavu-core
  poppler-utils
  chromium
  python3 python3-aiosmtpd python3-pyftpdlib tinyproxy-bin curl
  python3-openssl python3-cryptography
  libxml2-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
  else
    sudo apt-get update -qq
    sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
  fi
fi
