#!/usr/bin/env bash
# Installs every Debian 12 package Clickwisp needs to build, test and run.
# Packages already installed are skipped; run as root (or with sudo available).
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake ninja-build pkg-config git
  # engine
  libpugixml-dev libcli11-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev clang-format
  # fuzz targets (libFuzzer; clang 16 is the first that can use libstdc++ 12's <expected>)
  clang-16 libclang-rt-16-dev
  # X11 backend
  libx11-dev libxext-dev libxtst-dev
  # GUI
  qt6-base-dev qt6-base-dev-tools libgl-dev libxkbcommon-dev qt6-qpa-plugins
  # display for tests and end-to-end checks with independent X clients
  xvfb xauth xdotool x11-utils x11-apps x11-xserver-utils imagemagick
  # window frames for scripts/screenshots.sh
  openbox
  # the .deb (scripts/package.sh: CPack needs file and dpkg-shlibdeps) and its
  # checks (scripts/check-package.sh)
  dpkg-dev file desktop-file-utils appstream lintian man-db
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
