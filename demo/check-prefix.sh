#!/usr/bin/env bash
# Looks over a prefix made by make-prefix.sh: lists its tree, decodes every INI
# file and catalogue from CP932 (failing on bytes that do not decode or on lines
# without CRLF), checks the drive links, and dumps the documents.
#
#   demo/check-prefix.sh OUT_DIR DEMDOC_BINARY
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 OUT_DIR DEMDOC_BINARY" >&2
    exit 2
fi
OUT=$1
demdoc=$2
[ -d "$OUT/dosdevices" ] || { echo "$0: $OUT is not a prefix" >&2; exit 1; }

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

echo "== drive links"
for l in c e f z; do
    printf '%s: -> %s\n' "$l" "$(readlink "$OUT/dosdevices/$l:")"
done
[ "$(readlink "$OUT/dosdevices/c:")" = ../drive_c ] || fail "c: link"
[ "$(readlink "$OUT/dosdevices/e:")" = ../drive_e ] || fail "e: link"
[ "$(readlink "$OUT/dosdevices/z:")" = / ] || fail "z: link"
[ -d "$OUT/dosdevices/e:/" ] || fail "e: has no medium"
[ ! -e "$OUT/dosdevices/f:/" ] || fail "f: should have no medium"
echo "label of E: $(cat "$OUT/drive_e/.windows-label")"
echo "== system.reg"
cat "$OUT/system.reg"

echo "== tree"
(cd "$OUT" && find drive_c drive_e | LC_ALL=C sort)

echo "== INI files"
while IFS= read -r -d '' f; do
    echo "--- ${f#"$OUT"/}"
    if ! text=$(iconv -f CP932 -t UTF-8 <"$f"); then
        fail "$f does not decode as CP932"
        continue
    fi
    printf '%s\n' "$text" | tr -d '\r'
    # Every line must end in CRLF: count LF and CR LF.
    lf=$(tr -cd '\n' <"$f" | wc -c)
    crlf=$(grep -c $'\r$' "$f" || true)
    [ "$lf" -eq "$crlf" ] || fail "$f: $lf lines, $crlf with CRLF"
done < <(find "$OUT/drive_c" "$OUT/drive_e" -type f \( -iname '*.ini' -o -iname '*.jyo' \) -print0 | LC_ALL=C sort -z)

echo "== plain data files decode"
while IFS= read -r -d '' f; do
    iconv -f CP932 -t UTF-8 <"$f" >/dev/null || fail "$f does not decode as CP932"
done < <(find "$OUT/drive_c/ORBIS/SYSDATA" "$OUT/drive_e" -type f ! -iname '*.dem' ! -name '.windows-label' -print0)

echo "== documents"
while IFS= read -r -d '' f; do
    echo "--- ${f#"$OUT"/}"
    "$demdoc" dump "$f" || fail "$f does not dump"
done < <(find "$OUT/drive_c" "$OUT/drive_e" -type f -iname '*.dem' -print0 | LC_ALL=C sort -z)

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "== all checks passed"
