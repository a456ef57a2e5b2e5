#!/usr/bin/env bash
# Fails when a C++ file of the tree differs from what clang-format makes of it.
# With --fix, rewrites them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/format-check.$$; then
  grep -E '^[^ ].*: (error|warning):' /tmp/format-check.$$ | cut -d: -f1 | sort -u | sed 's/^/format drift: /'
  rm -f /tmp/format-check.$$
  echo "check-format: run scripts/check-format.sh --fix" >&2
  exit 1
fi
rm -f /tmp/format-check.$$
echo "check-format: ${#files[@]} files as clang-format makes them"
