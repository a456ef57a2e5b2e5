#!/usr/bin/env bash
# clang-tidy (.clang-tidy) over the product's C++ sources, with the compile commands
# of BUILD. Which sources:
#  - TIDY_ALL=1, or CI set (a fresh clone of main has nothing to compare with):
#    every product source;
#  - BASE given: those that differ from BASE (committed or not);
#  - else those that differ from the merge base of HEAD with main (or origin/main),
#    so a branch of several commits is linted whole, not only its last commit;
#    every product source when there is no such base, or HEAD is main itself.
# Usage: scripts/tidy.sh [BUILD [BASE]]   (TIDY_ALL=1 scripts/tidy.sh [BUILD])
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/plain}
base=${2:-}
sources=('app/*.cpp' 'cli/*.cpp' 'controls/*.cpp' 'dialogs/*.cpp' 'resources/*.cpp'
  'transfer/*.cpp' 'catalogue/*.cpp' 'host/*.cpp' 'platform/*.cpp')

all=${TIDY_ALL:-}
[ -n "${CI:-}" ] && all=1
if [ -z "$all" ] && [ -z "$base" ]; then
  for ref in main origin/main; do
    if git rev-parse -q --verify "$ref^{commit}" >/dev/null; then
      base=$(git merge-base HEAD "$ref") || base=
      break
    fi
  done
  if [ -z "$base" ] || [ "$base" = "$(git rev-parse HEAD)" ]; then
    all=1
  fi
fi

if [ -n "$all" ]; then
  mapfile -t files < <(git ls-files -- "${sources[@]}")
  echo "tidy: all ${#files[@]} product sources"
else
  if ! git rev-parse -q --verify "$base^{commit}" >/dev/null; then
    echo "tidy: no commit $base to compare with" >&2
    exit 2
  fi
  mapfile -t files < <(git diff --name-only --diff-filter=d "$base" -- "${sources[@]}")
  if [ ${#files[@]} -eq 0 ]; then
    echo "tidy: no C++ source changed since $base"
    exit 0
  fi
  echo "tidy: ${#files[@]} changed sources since $base"
fi
clang-tidy --quiet --extra-arg=-Wno-everything -p "$build" "${files[@]}"
