#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine, checks what a user gets
# (programs on the PATH, menu entries, icons, metainfo, a dialog that starts) and
# removes it again, checking that every installed file is gone. Needs root (or sudo);
# leaves the machine as it found it. Called by scripts/test.sh.
#   scripts/install-test.sh          packages a fresh Release build (scripts/package.sh)
#   scripts/install-test.sh FOLDER   packages that configured build folder instead
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
package=settings-maintenance-tool
programs=(quillmark brightfen)

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if ! sudo -n true 2>/dev/null; then
    echo "install test: SKIPPED, needs root or password-less sudo to install a package" >&2
    exit 0
  fi
  sudo="sudo -n"
fi
# One install test at a time on a machine: another would find the package installed.
exec 9>"${TMPDIR:-/tmp}/$package-install-test.lock"
flock 9
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
  echo "install test: SKIPPED, $package is already installed here and is left alone" >&2
  exit 0
fi

fail() { echo "install test: FAILED: $*" >&2; exit 1; }
# dpkg takes the shared lock; wait for others rather than fail.
dpkg_retry() {
  local err
  for _ in $(seq 60); do
    if err=$($sudo dpkg "$@" 2>&1 >/dev/null); then return 0; fi
    [[ "$err" == *"lock"* ]] || { echo "$err" >&2; return 1; }
    sleep 2
  done
  echo "$err" >&2
  return 1
}

work=$(mktemp -d "${TMPDIR:-/tmp}/install-test-XXXXXX")
installed=0
cleanup() {
  if [ "$installed" -eq 1 ]; then dpkg_retry --purge "$package" || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

deb=$(scripts/package.sh "$@" | tail -n 1)
[ -f "$deb" ] || fail "scripts/package.sh made no package"
echo "install test: package $deb"
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libqt6widgets6 libc6 fonts-ipafont-gothic; do
  [[ "$depends" == *"$dep"* ]] || fail "Depends lacks $dep: $depends"
done

installed=1
dpkg_retry --install "$deb" || fail "dpkg --install $deb"
dpkg-query -L "$package" > "$work/files"

# What a user gets: programs on the PATH, menu entries, icons, metainfo.
for program in "${programs[@]}" demdoc; do
  [ "$(command -v "$program")" = "/usr/bin/$program" ] || fail "$program is not /usr/bin/$program on the PATH"
done
expect_files=(/usr/share/icons/hicolor/scalable/apps/settings-maintenance-tool.svg)
for size in 16 32 48 256; do
  png=/usr/share/icons/hicolor/${size}x${size}/apps/settings-maintenance-tool.png
  expect_files+=("$png")
  [ "$(identify -format '%wx%h' "$png" 2>/dev/null)" = "${size}x${size}" ] || fail "$png is not ${size}x${size}"
done
for f in "${expect_files[@]}"; do [ -f "$f" ] || fail "missing $f"; done
mapfile -t desktops < <(grep '^/usr/share/applications/.*\.desktop$' "$work/files")
mapfile -t metainfos < <(grep '^/usr/share/metainfo/.*\.metainfo\.xml$' "$work/files")
[ ${#desktops[@]} -eq ${#programs[@]} ] || fail "expected ${#programs[@]} menu entries, found ${#desktops[@]}"
[ ${#metainfos[@]} -eq ${#programs[@]} ] || fail "expected ${#programs[@]} metainfo files, found ${#metainfos[@]}"
desktop-file-validate "${desktops[@]}" || fail "desktop-file-validate"
appstreamcli validate --no-net "${metainfos[@]}" || fail "appstreamcli validate"
for program in "${programs[@]}"; do
  grep -q "^Exec=$program$" "${desktops[@]}" || fail "no menu entry starts $program"
done
if ls docs/man/* >/dev/null 2>&1; then
  grep -q '^/usr/share/man/man[1-9]/' "$work/files" || fail "docs/man has pages but none was installed"
fi
if ls docs/completion/* scripts/completion/* >/dev/null 2>&1; then
  for program in "${programs[@]}"; do
    [ -f "/usr/share/bash-completion/completions/$program" ] || fail "no bash completion installed for $program"
    [ -f "/usr/share/zsh/vendor-completions/_$program" ] || fail "no zsh completion installed for $program"
  done
fi

# Each program against a fresh demo installation: the command line when it has one,
# and the dialog, which must come up offscreen and stay until it is closed.
prefix="$work/prefix"
demo/make-prefix.sh "$prefix" /usr/bin/demdoc >/dev/null
for program in "${programs[@]}"; do
  cd "$prefix/drive_c"
  rc=0
  out=$(WINEPREFIX="$prefix" QT_QPA_PLATFORM=offscreen timeout 10 "$program" --version 2>&1) || rc=$?
  # The version line carries the product's own capitalised name, the command its lower-case one.
  if [ $rc -ne 0 ] || [[ "${out,,}" != "$program "[0-9]* ]]; then fail "$program --version: exit $rc, '$out'"; fi
  echo "install test: $program --version: $out"
  rc=0
  out=$(WINEPREFIX="$prefix" QT_QPA_PLATFORM=offscreen timeout 20 "$program" list 2>&1) || rc=$?
  if [ $rc -ne 0 ] || [ -z "$out" ]; then fail "$program list on the demo installation: exit $rc, '$out'"; fi
  echo "install test: $program list: $(printf '%s\n' "$out" | wc -l) lines"
  rc=0
  WINEPREFIX="$prefix" QT_QPA_PLATFORM=offscreen timeout -s TERM 5 "$program" >"$work/$program.log" 2>&1 || rc=$?
  [ $rc -eq 124 ] || fail "$program's dialog did not stay up (exit $rc): $(cat "$work/$program.log")"
  echo "install test: $program's dialog started offscreen and was closed"
  cd "$repo"
done

# Removing it leaves none of its files behind.
dpkg_retry --purge "$package" || fail "dpkg --purge $package"
installed=0
while read -r path; do
  if [ -f "$path" ] || [ -L "$path" ]; then fail "$path is still there after removal"; fi
done < "$work/files"
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then fail "$package still installed"; fi
echo "install test: passed ($(grep -c . "$work/files") paths installed and removed)"
