#!/usr/bin/env bash
# Builds the Debian package of Tarvix: a Release tree in build-package/ installed under
# /usr, packed by CPack (tarvix_VERSION-1_ARCH.deb in build-package/). Install it with
#   apt install ./build-package/tarvix_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DTARVIX_TESTS=OFF -DTARVIX_BENCH=OFF >/dev/null
cmake --build build-package
(cd build-package && cpack -G DEB)
