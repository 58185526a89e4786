#!/usr/bin/env bash
# Installs the Debian packages that building and testing Tallix need, when
# they are missing. Needs root (or sudo) only when something must be installed.
set -euo pipefail

packages=(g++ cmake ninja-build libgtest-dev libbenchmark-dev qt6-base-dev qt6-svg-dev xvfb xauth
          openbox x11-utils dbus at-spi2-core python3-pyatspi man-db
          clang clang-format libclang-rt-14-dev fonts-dejavu-core fonts-paratype libcli11-dev
          libisal-dev liblzma-dev libzstd-dev libbz2-dev zlib1g-dev nlohmann-json3-dev pkg-config
          libtomlplusplus-dev cups-daemon cups-core-drivers poppler-utils
          dpkg-dev desktop-file-utils appstream lintian)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
