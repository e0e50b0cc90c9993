#!/usr/bin/env bash
# Installs what building, running and testing need on Debian, when missing;
# with package names, those packages instead.
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev libgtest-dev libgmock-dev
          libgl1-mesa-dev xvfb xauth imagemagick clang-format binutils
          clang clang-tidy libclang-rt-14-dev dpkg-dev file libmpg123-dev libsndfile1-dev
          help2man lintian appstream man-db bash-completion zsh)
[ $# -eq 0 ] || packages=("$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
