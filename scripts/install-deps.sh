#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, if missing.
set -euo pipefail
packages=(g++ cmake ninja-build qt6-base-dev libgtest-dev libgmock-dev libbenchmark-dev
          fonts-ipafont-gothic xvfb xauth x11-apps imagemagick
          libxxhash-dev nlohmann-json3-dev libcli11-dev)
missing=()
# The Debian package: its build, icons and man pages, and the install test's checks.
packages+=(dpkg-dev librsvg2-bin pandoc desktop-file-utils appstream)
# The fuzz targets: clang with its libFuzzer and sanitizer runtimes.
packages+=(clang libclang-rt-14-dev)
# The command line's tests: the zsh completion run, and a loop-mounted file system
# with large allocation units for the space check.
packages+=(zsh e2fsprogs)
# The save benchmarks' references and counts (bench/save_copy.cpp, bench/syscalls.sh).
packages+=(strace rsync vmtouch bc time)
# The format check and the lint of changed sources.
packages+=(clang-format clang-tidy)
# The fleet role's test runs ansible-playbook against this machine.
packages+=(ansible-core)
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
