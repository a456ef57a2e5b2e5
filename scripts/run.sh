#!/usr/bin/env bash
# Builds the program and starts it on a fresh copy of the demo installation.
#   scripts/run.sh            Quillmark
#   scripts/run.sh brightfen  Brightfen
# Without a display it runs under Xvfb, saves a PNG of the main dialog and ends.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
program=${1:-quillmark}
case "$program" in quillmark|brightfen) ;; *) echo "usage: $0 [quillmark|brightfen]" >&2; exit 2;; esac

scripts/install-deps.sh
cmake -S . -B build/plain -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/plain --target "$program" demdoc

# A fresh demo installation every time: the template in demo/ is never touched.
prefix=$(mktemp -d "${TMPDIR:-/tmp}/settings-demo-XXXXXX")
demo/make-prefix.sh "$prefix" "$repo/build/plain/host/demdoc" >/dev/null
echo "Demo installation: $prefix"
export WINEPREFIX="$prefix"
binary="$repo/build/plain/app/$program"
# Relative names are taken from the current folder: make it C:\.
cd "$prefix/drive_c"

if [ -n "${DISPLAY:-}" ]; then
  exec "$binary"
fi

mkdir -p "$repo/build/screenshots"
png="$repo/build/screenshots/$program.png"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$1" & pid=$!
  sleep 4
  xwd -root -silent | convert xwd:- -trim +repage png:"$2"
  kill $pid 2>/dev/null; wait $pid 2>/dev/null || true' _ "$binary" "$png"
echo "No display: started under Xvfb and saved the main dialog to $png"
