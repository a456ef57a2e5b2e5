#!/usr/bin/env bash
# Windows types stay in platform/ and in host/'s mirrors of the suite's libraries:
# fails on BOOL in a header of any layer above them.
set -euo pipefail
cd "$(dirname "$0")/.."
hits=$(grep -nE '\bBOOL\b' app/*.h cli/*.h controls/*.h dialogs/*.h resources/*.h transfer/*.h catalogue/*.h \
  2>/dev/null | grep -vE '^[^:]+:[0-9]+:\s*//' || true)
if [ -n "$hits" ]; then
  echo "$hits"
  echo "check-layer-types.sh: BOOL above platform/ (use bool, [[nodiscard]] where a failure matters)"
  exit 1
fi
echo "check-layer-types: no BOOL above platform/ and host/"
