#!/usr/bin/env bash
# Builds and runs every test: the format check, a plain build with warnings as
# errors and its lint, then a build with AddressSanitizer and
# UndefinedBehaviorSanitizer, then the install test of the Debian package.
# Installs the Debian packages it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

# The tree as clang-format makes it; a drift fails before anything is built.
scripts/check-format.sh
# No plain open/fopen/unlink/rename below the widgets: they go through platform/beneath.h.
scripts/check-plain-io.sh
# No Windows BOOL in the headers above platform/ and host/.
scripts/check-layer-types.sh

# Warnings are errors in the plain build.
cmake -S . -B build/plain -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWARNINGS_AS_ERRORS=ON
cmake --build build/plain -j "$jobs"
ctest --test-dir build/plain --output-on-failure -j "$jobs"

# clang-tidy over the sources changed since the branch left main (all of them in CI).
scripts/tidy.sh build/plain

# Warnings are errors in the sanitizer build too.
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON -DBUILD_BENCHMARKS=OFF -DWARNINGS_AS_ERRORS=ON
cmake --build build/asan -j "$jobs"
ctest --test-dir build/asan --output-on-failure -j "$jobs"

# The package of the tested build: installed, checked and removed again.
scripts/install-test.sh build/plain

# Short fuzz runs of the readers of hostile input (skipped without clang).
scripts/fuzz.sh
