#!/usr/bin/env bash
# Installs every Debian 12 package Clickwisp needs to build, test and run.
# Packages already installed are skipped; run as root (or with sudo available).
#
#   install-deps.sh                  the Linux build, tests and desktop program
#   install-deps.sh --windows        the mingw-w64 cross toolchain and the
#                                    Windows copy of pugixml (scripts/build-windows.sh)
#   install-deps.sh --windows --wine also Wine and Xvfb to run the Windows
#                                    tests (scripts/test-windows.sh; Wine is ~670 MB)
# When another program holds the package manager's locks (automatic updates
# at boot, another install), each apt-get call waits for them up to
# APT_LOCK_TIMEOUT seconds (default 900) instead of failing.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Where the Windows builds of libraries Debian ships only for Linux go; the
# toolchain file cmake/mingw-w64-x86_64.cmake looks there.
MINGW_PREFIX="${CLICKWISP_MINGW_PREFIX:-/opt/clickwisp/mingw64}"
# The wlroots protocol files; CMake's CLICKWISP_WLR_PROTOCOLS has the same default.
WLR_PROTOCOLS="${CLICKWISP_WLR_PROTOCOLS:-/opt/clickwisp/wlr-protocols}"

windows=0
wine=0
for arg in "$@"; do
  case "$arg" in
    --windows) windows=1 ;;
    --wine) wine=1 ;;
    *)
      echo "install-deps.sh: unknown option '$arg' (known: --windows, --wine)" >&2
      exit 2
      ;;
  esac
done

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
  # Wayland backend (the wlroots protocol files come from the wlroots source
  # package: fetch_wlr_protocols below)
  libwayland-dev wayland-protocols libxkbcommon-dev
  # a headless compositor and independent Wayland clients for the tests
  sway swaybg wev grim
  # the desktop portal backend: D-Bus through sd-bus (also private buses in
  # tests) and the monitors' screen casts through PipeWire
  libsystemd-dev dbus dbus-daemon dbus-bin libpipewire-0.3-dev
  # GIO's GSettings, for the hot keys as GNOME's custom shortcuts; gsettings
  # reads them in the tests
  libglib2.0-dev libglib2.0-bin
  # headless GNOME desktops for the tests (mutter, gnome-shell with logind
  # mocked, the portal and its GNOME backend, PipeWire for screen casts), and
  # the tests' independent clients: a GTK 4 window of one colour, the
  # compositor's own screen cast read by GStreamer
  mutter gnome-shell xdg-desktop-portal xdg-desktop-portal-gnome pipewire wireplumber python3-dbusmock
  python3-gi gir1.2-gtk-4.0 gir1.2-gstreamer-1.0 gstreamer1.0-pipewire gstreamer1.0-plugins-base
  # KDE Plasma: KWin's fake-input protocol file for the build; KWin 5.27 run
  # headless by the tests, with its portal (which needs Qt 5's Wayland
  # plugin), pipewire and wireplumber on a session bus of their own
  plasma-wayland-protocols kwin-wayland xdg-desktop-portal-kde qtwayland5
  # GUI; qt6-wayland: the desktop program as a native Wayland client
  qt6-base-dev qt6-base-dev-tools libgl-dev libxkbcommon-dev qt6-qpa-plugins qt6-wayland
  # display for tests and end-to-end checks with independent X clients
  xvfb xauth xdotool x11-utils x11-apps x11-xserver-utils imagemagick
  # window frames for scripts/screenshots.sh, and a window manager and a
  # GTK program (zenity) that typing tests and benchmarks type into
  openbox zenity
  # the .deb (scripts/package.sh: CPack needs file and dpkg-shlibdeps) and its
  # checks (scripts/check-package.sh)
  dpkg-dev file desktop-file-utils appstream lintian man-db
)

# The Windows cross build (engine, both programs and tests).
WINDOWS_PACKAGES=(
  cmake ninja-build ccache
  # the button pictures and program icon of clickwisp.exe, made from ui/icons
  imagemagick
  # CLI11 headers and GoogleTest's sources (/usr/src/googletest) serve both builds
  libcli11-dev libgtest-dev googletest
  # GCC 12 with the posix thread model (the -win32 one has no std::mutex)
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  # apt-get source (pugixml is built from Debian's source package)
  dpkg-dev
  # the installer and the portable zip (scripts/package-windows.sh)
  wixl msitools zip
)
# Running the Windows tests (the portable zip is unpacked with unzip).
WINE_PACKAGES=(wine64 xvfb unzip)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
updated=0
LOCK_TIMEOUT="${APT_LOCK_TIMEOUT:-900}"
# Every apt-get call: wait for dpkg's lock rather than fail with "Could not get lock".
APT_GET=(apt-get -o "DPkg::Lock::Timeout=$LOCK_TIMEOUT")

# apt-get update: the option above does not cover the package lists' lock,
# so while another program holds that one, try again every 5 seconds.
apt_update() {
  local log waited=0
  log="$(mktemp)"
  until $SUDO "${APT_GET[@]}" update -qq 2>"$log"; do
    if ! grep -q "Could not get lock" "$log" || [ "$waited" -ge "$LOCK_TIMEOUT" ]; then
      cat "$log" >&2
      rm -f "$log"
      return 1
    fi
    if [ "$waited" -eq 0 ]; then
      echo "Waiting up to $LOCK_TIMEOUT s for another program to release the package lists ($(grep -m 1 -o 'held by process.*' "$log" || echo locked))"
    fi
    sleep 5
    waited=$((waited + 5))
  done
  cat "$log" >&2
  rm -f "$log"
  updated=1
}

# install_missing PACKAGE... installs those not installed yet.
install_missing() {
  local missing=()
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return
  fi
  echo "Installing: ${missing[*]}"
  if [ "$updated" -eq 0 ]; then
    apt_update
  fi
  $SUDO "${APT_GET[@]}" install -y -qq --no-install-recommends "${missing[@]}"
}

# Turns on deb-src for the archives the system already uses, once.
enable_deb_src() {
  if grep -Eqs '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/*; then
    return
  fi
  echo "Enabling deb-src for the configured archives"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      | $SUDO tee /etc/apt/sources.list.d/clickwisp-deb-src.sources >/dev/null
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list \
      | $SUDO tee /etc/apt/sources.list.d/clickwisp-deb-src.list >/dev/null
  fi
  apt_update
}

# The wlroots protocols (virtual pointer, screencopy) and the virtual
# keyboard protocol that Debian 12 ships in no binary package: their XML
# files from Debian's wlroots source package, kept in $WLR_PROTOCOLS (where
# CMake looks for them), once per source version.
fetch_wlr_protocols() {
  local version
  version="$(apt-cache policy libwlroots10 | sed -n 's/^ *Candidate: //p')"
  local stamp="$WLR_PROTOCOLS/source-version"
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ]; then
    return
  fi
  enable_deb_src
  local work
  work="$(mktemp -d)"
  echo "Fetching the wlroots $version protocol files into $WLR_PROTOCOLS"
  if ! (cd "$work" && "${APT_GET[@]}" source -qq --download-only "wlroots=$version" >"$work/source.log" 2>&1); then
    cat "$work/source.log" >&2
    exit 1
  fi
  local tarball
  tarball="$(find "$work" -maxdepth 1 -name 'wlroots_*.orig.tar.*' | head -n 1)"
  tar -C "$work" -xf "$tarball" --wildcards '*/protocol/*.xml'
  $SUDO mkdir -p "$WLR_PROTOCOLS"
  $SUDO cp "$work"/wlroots-*/protocol/wlr-virtual-pointer-unstable-v1.xml \
    "$work"/wlroots-*/protocol/wlr-screencopy-unstable-v1.xml \
    "$work"/wlroots-*/protocol/virtual-keyboard-unstable-v1.xml "$WLR_PROTOCOLS/"
  echo "$version" | $SUDO tee "$stamp" >/dev/null
  rm -rf "$work"
}

# The unprivileged user the Wayland tests start sway as when they run as
# root (sway refuses to run as root).
add_test_user() {
  if ! id clickwisp-test >/dev/null 2>&1; then
    $SUDO useradd --system --no-create-home --shell /usr/sbin/nologin clickwisp-test
  fi
}

# Cross-builds pugixml from Debian's source package into $MINGW_PREFIX, once
# per source version.
build_windows_pugixml() {
  local version
  version="$(dpkg-query -W -f='${Version}' libpugixml-dev 2>/dev/null || true)"
  [ -n "$version" ] || version="$(apt-cache policy libpugixml-dev | sed -n 's/^ *Candidate: //p')"
  local stamp="$MINGW_PREFIX/share/clickwisp-pugixml-version"
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ]; then
    return
  fi
  enable_deb_src
  local work
  work="$(mktemp -d)"
  echo "Building pugixml $version for Windows in $work"
  # Run as root, apt warns that its own user cannot write here: only a failure is shown.
  if ! (cd "$work" && "${APT_GET[@]}" source -qq "pugixml=$version" >"$work/source.log" 2>&1); then
    cat "$work/source.log" >&2
    exit 1
  fi
  local src
  src="$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'pugixml-*' | head -n 1)"
  cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_INSTALL_PREFIX="$MINGW_PREFIX" -DBUILD_SHARED_LIBS=OFF -DPUGIXML_BUILD_TESTS=OFF >/dev/null
  cmake --build "$work/build" >/dev/null
  $SUDO cmake --install "$work/build" >/dev/null
  $SUDO mkdir -p "$(dirname "$stamp")"
  echo "$version" | $SUDO tee "$stamp" >/dev/null
  rm -rf "$work"
}

if [ "$windows" -eq 0 ] && [ "$wine" -eq 0 ]; then
  install_missing "${PACKAGES[@]}"
  fetch_wlr_protocols
  add_test_user
  exit 0
fi
if [ "$windows" -eq 1 ]; then
  install_missing "${WINDOWS_PACKAGES[@]}"
  build_windows_pugixml
fi
if [ "$wine" -eq 1 ]; then
  install_missing "${WINE_PACKAGES[@]}"
fi
