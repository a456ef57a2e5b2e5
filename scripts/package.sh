#!/usr/bin/env bash
# Builds the Debian package of both programs (Release, no tests or benchmarks) into
# build/package/ and prints its path on the last line.
#   scripts/package.sh
#   sudo apt install ./build/package/settings-maintenance-tool_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh >&2
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTS=OFF -DBUILD_BENCHMARKS=OFF \
      -DSANITIZE=OFF >&2
cmake --build build/package -j "$(nproc)" >&2
rm -f build/package/*.deb
(cd build/package && cpack -G DEB >&2)
ls build/package/*.deb
