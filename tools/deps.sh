#!/usr/bin/env bash
# Installs the Debian packages needed to build and test Tarvix, when missing.
set -euo pipefail
packages=(g++ cmake ninja-build pkg-config python3
          libgtest-dev libgmock-dev libbenchmark-dev
          libcli11-dev nlohmann-json3-dev libpcre2-dev
          zlib1g-dev liblzma-dev libzstd-dev libbz2-dev xz-utils zstd bzip2
          qt6-base-dev fonts-dejavu-core
          clang libclang-rt-14-dev
          scdoc dpkg-dev file desktop-file-utils appstream man-db librsvg2-bin bash-completion)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
