#!/usr/bin/env bash
# Builds the Debian package clickwisp_<version>_<arch>.deb: installs what is
# missing, configures a build without tests in $BUILD_DIR (default
# build/package), builds it and runs CPack there. Prints the package's path.
# Install it with: apt install ./build/package/clickwisp_<version>_<arch>.deb
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-build/package}"
JOBS="${JOBS:-$(nproc)}"
cd "$ROOT"

scripts/install-deps.sh

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLICKWISP_WERROR=ON \
    -DCLICKWISP_TESTS=OFF -DCLICKWISP_BENCH=OFF >/dev/null
ninja -C "$BUILD_DIR" -j "$JOBS"
# A package of an older version left in the folder would be mistaken for this one.
rm -f "$BUILD_DIR"/clickwisp_*.deb
(cd "$BUILD_DIR" && cpack -G DEB >/dev/null)
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD_DIR/CMakeCache.txt")"
deb="$BUILD_DIR/clickwisp_${version}_$(dpkg --print-architecture).deb"
if [ ! -f "$deb" ]; then
    echo "package.sh: CPack did not write $deb" >&2
    exit 1
fi
echo "$deb"
