#!/usr/bin/env bash
# System calls per file of one save (strace -f -c, the whole process counted: list,
# copy, flush, read-back), against cp -r of the same tree, at 200 and at 4,000 files
# per folder; and the peak memory of a save (/usr/bin/time -v) beside rsync -a of
# the same tree, also for one file of 512 MiB.
# Usage: bench/syscalls.sh BUILD_DIR [WORK_BASE (default /var/tmp)]
set -euo pipefail
bench="$1/bench/bench_save_copy"
base="${2:-/var/tmp}"
calls() { awk '$NF == "total" { print $4 }' "$1"; }
peak() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident/ { print $2 }'; }
printf '%-26s %10s %12s %12s %10s %14s %12s\n' tree "cp -r" unverified verified "" "peak RSS save" "rsync -a"
# folders, files per folder, bytes per file
for tree in "10 200 4096" "1 4000 4096" "1 1 536870912"; do
  read -r folders per size <<<"$tree"
  files=$((folders * per))
  work=$(mktemp -d "$base/syscalls-XXXXXX")
  "$bench" --make "$work" "$folders" "$per" "$size"
  line=()
  strace -f -c -o "$work/cp.txt" cp -r "$work/drive_c/SYS" "$work/cp"
  line+=("$(calls "$work/cp.txt")")
  rm -rf "$work/cp"
  for mode in plain verify; do
    strace -f -c -o "$work/$mode.txt" "$bench" --save "$work" "$mode" >/dev/null
    line+=("$(calls "$work/$mode.txt")")
    rm -rf "$work/drive_e/PARC_JDT"
  done
  rss=$(peak "$bench" --save "$work" verify)
  rm -rf "$work/drive_e/PARC_JDT"
  rsync=$(peak rsync -a "$work/drive_c/SYS/" "$work/rsync/")
  printf '%-26s %10.1f %12.1f %12.1f %10s %11s KiB %8s KiB\n' "$folders x $per x $size B" \
    "$(bc -l <<<"${line[0]} / $files")" "$(bc -l <<<"${line[1]} / $files")" "$(bc -l <<<"${line[2]} / $files")" \
    "per file" "$rss" "$rsync"
  rm -rf "$work"
done
