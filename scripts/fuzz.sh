#!/usr/bin/env bash
# Builds the fuzz targets in fuzz/ with clang's libFuzzer (fuzz_cli_json among
# them: the command line's JSON over hostile names and labels) and runs each for a
# short while (FUZZ_SECONDS, default 30). Skipped, with a note, without clang.
# A finding stops the script with the fuzzer's report; the input that caused it is
# kept in build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh: clang++ not found, fuzzing skipped"
  exit 0
fi
seconds=${FUZZ_SECONDS:-30}
jobs=$(nproc)
CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j "$jobs"
mkdir -p build/fuzz/findings
# A fast scratch folder for the targets' prefixes when there is one.
scratch=$(mktemp -d "${FUZZ_TMPDIR:-/dev/shm}/fuzz-XXXXXX" 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for target in build/fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$scratch/$name"
  mkdir -p "$corpus"
  # Seeds in fuzz/seeds (an index file, a catalogue, a path) give the fuzzer a start.
  if [ -d fuzz/seeds ]; then cp -r fuzz/seeds/. "$corpus/"; fi
  echo "== $name ($seconds s)"
  TMPDIR="$scratch" ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
    "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=65536 -timeout=10 \
    -artifact_prefix=build/fuzz/findings/"$name"- -print_final_stats=0 "$corpus" 2>&1 | tail -n 3
  rc=${PIPESTATUS[0]}
  if [ "$rc" -ne 0 ]; then
    echo "fuzz.sh: $name found a fault (exit $rc); see build/fuzz/findings/"
    exit "$rc"
  fi
done
