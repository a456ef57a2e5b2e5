#!/usr/bin/env bash
# Builds the Debian package of both programs and prints its path on the last line.
#   scripts/package.sh           a Release build in build/package (no tests, no benchmarks)
#   scripts/package.sh FOLDER    from a build folder already configured (the install test
#                                packages the tested build/plain this way)
# Install it with: sudo apt install ./build/package/settings-maintenance-tool_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/package}
if [ $# -eq 0 ]; then
  scripts/install-deps.sh >&2
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTS=OFF -DBUILD_BENCHMARKS=OFF \
        -DSANITIZE=OFF >&2
fi
[ -f "$build/CPackConfig.cmake" ] || { echo "$build is not a configured build folder" >&2; exit 2; }
cmake --build "$build" -j "$(nproc)" >&2
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >&2)
ls "$build"/*.deb
