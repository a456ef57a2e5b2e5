#!/usr/bin/env bash
# clang-tidy (.clang-tidy) over the C++ sources a change touches: those that differ
# from BASE (default: the commit before HEAD), in the compile commands of BUILD.
# Usage: scripts/tidy.sh [BUILD [BASE]]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/plain}
base=${2:-HEAD~1}
if ! git rev-parse -q --verify "$base^{commit}" >/dev/null; then
  echo "tidy: no commit $base to compare with; nothing to check"
  exit 0
fi
mapfile -t files < <(git diff --name-only --diff-filter=d "$base" -- \
  'app/*.cpp' 'cli/*.cpp' 'controls/*.cpp' 'dialogs/*.cpp' 'resources/*.cpp' \
  'transfer/*.cpp' 'catalogue/*.cpp' 'host/*.cpp' 'platform/*.cpp')
if [ ${#files[@]} -eq 0 ]; then
  echo "tidy: no C++ source changed since $base"
  exit 0
fi
echo "tidy: ${#files[@]} changed sources since $base"
clang-tidy --quiet --extra-arg=-Wno-everything -p "$build" "${files[@]}"
