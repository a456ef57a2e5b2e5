#!/usr/bin/env bash
# Builds and runs every test: a plain build, then one with AddressSanitizer and
# UndefinedBehaviorSanitizer, then the install test of the Debian package.
# Installs the Debian packages it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build/plain -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/plain -j "$jobs"
ctest --test-dir build/plain --output-on-failure -j "$jobs"

cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON -DBUILD_BENCHMARKS=OFF
cmake --build build/asan -j "$jobs"
ctest --test-dir build/asan --output-on-failure -j "$jobs"

# The package of the tested build: installed, checked and removed again.
scripts/install-test.sh build/plain

# Short fuzz runs of the readers of hostile input (skipped without clang).
scripts/fuzz.sh
