#!/usr/bin/env bash
# Builds the .deb in an already built build folder and checks it the way a
# distribution would:
#   - desktop-file-validate on the menu entry, appstreamcli on the AppStream
#     metadata and on the installed tree (offline);
#   - KWin's grants: one .desktop file per program with Exec= its installed
#     path and the fake input and ScreenShot2 interfaces;
#   - lintian: no errors (warnings are printed, not fatal);
#   - the package unpacked into an empty root: every program finds all its
#     libraries (ldd), and every library it links is provided by a package in
#     Depends;
#   - the unpacked clickwisp-cli prints the package's version and describes
#     the example list it installs; the unpacked clickwisp, run by a user on a
#     private Xvfb, starts and keeps its config.xml in ~/.config/clickwisp;
#     Depends names the packages of Qt's X11 and Wayland platform plugins,
#     and the unpacked clickwisp starts as a native Wayland client on a
#     private headless sway without XWayland (no DISPLAY, no QT_QPA_PLATFORM);
#   - man -l: each manual page renders without warnings, and the one of
#     clickwisp-cli has a section for every verb the program lists in --help;
#   - the newest release in the AppStream metadata and in the changelog is the
#     package's version; each screenshot is a docs/*.png of the stated size.
# Usage: scripts/check-package.sh BUILD_DIR   (scripts/test.sh: build/test-normal)
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="$(cd "${1:?usage: check-package.sh BUILD_DIR}" && pwd)"
cd "$ROOT"

problems=()
problem() {
    echo "check-package: $*" >&2
    problems+=("$1")
}

# The package is made of what the build folder holds: bring it up to date.
cmake --build "$BUILD_DIR" >"$BUILD_DIR/check-package-build.log" 2>&1 || {
    cat "$BUILD_DIR/check-package-build.log"
    echo "check-package: the build in $BUILD_DIR failed" >&2
    exit 1
}
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD_DIR/CMakeCache.txt")"
deb="$BUILD_DIR/clickwisp_${version}_$(dpkg --print-architecture).deb"
rm -f "$BUILD_DIR"/clickwisp_*.deb
if ! (cd "$BUILD_DIR" && cpack -G DEB >"$BUILD_DIR/cpack.log" 2>&1) || [ ! -f "$deb" ]; then
    cat "$BUILD_DIR/cpack.log"
    echo "check-package: CPack did not write $deb" >&2
    exit 1
fi
echo "---- $(basename "$deb"): $(du -k "$deb" | cut -f1) KiB"
dpkg-deb -f "$deb" Package Version Architecture Depends

root="$(mktemp -d "${TMPDIR:-/tmp}/clickwisp-root.XXXXXX")"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$root"
}
trap cleanup EXIT
# started_as_nobody LOG SETTINGS VARIABLE=value...: starts the unpacked
# clickwisp as nobody with exactly these variables; true once it has written
# SETTINGS (after Qt loaded its platform plugin) and still runs.
started_as_nobody() {
    local log="$1" settings="$2"
    shift 2
    env -i "$@" setpriv --reuid=65534 --regid=65534 --clear-groups "$root/usr/bin/clickwisp" >"$log" 2>&1 &
    local gui=$!
    pids+=($gui)
    for _ in $(seq 100); do
        [ -s "$settings" ] && break
        kill -0 "$gui" 2>/dev/null || break
        sleep 0.1
    done
    [ -s "$settings" ] && kill -0 "$gui" 2>/dev/null
}
dpkg-deb -x "$deb" "$root"

echo "---- desktop-file-validate, appstreamcli"
desktop="$root/usr/share/applications/io.github.clickwisp.Clickwisp.desktop"
metainfo="$root/usr/share/metainfo/io.github.clickwisp.Clickwisp.metainfo.xml"
desktop-file-validate "$desktop" || problem "desktop-file-validate"

echo "---- KWin's grants"
# KWin shows its fake input and ScreenShot2 to the process whose executable
# is the Exec= path of an installed .desktop file listing them, and picks at
# random when two files name one program: one file per program, absolute path.
for program in clickwisp clickwisp-cli; do
    entries=()
    for file in "$root"/usr/share/applications/*.desktop; do
        exec="$(sed -n 's/^Exec=//p' "$file")"
        [ "${exec%% *}" == "/usr/bin/$program" ] && entries+=("$file")
    done
    if [ ${#entries[@]} -ne 1 ]; then
        problem "$program: ${#entries[@]} .desktop files have Exec=/usr/bin/$program, KWin needs exactly one"
        continue
    fi
    entry="${entries[0]}"
    desktop-file-validate "$entry" || problem "desktop-file-validate $(basename "$entry")"
    [ -x "$root/usr/bin/$program" ] || problem "$(basename "$entry"): Exec=/usr/bin/$program is not in the package"
    grep -qx 'X-KDE-Wayland-Interfaces=.*org_kde_kwin_fake_input.*' "$entry" \
        || problem "$(basename "$entry"): X-KDE-Wayland-Interfaces lacks org_kde_kwin_fake_input"
    grep -qx 'X-KDE-DBUS-Restricted-Interfaces=.*org\.kde\.KWin\.ScreenShot2.*' "$entry" \
        || problem "$(basename "$entry"): X-KDE-DBUS-Restricted-Interfaces lacks org.kde.KWin.ScreenShot2"
    if [ "$program" == clickwisp-cli ]; then
        grep -qx 'NoDisplay=true' "$entry" || problem "$(basename "$entry"): the command-line tool's entry is shown in menus"
    fi
    echo "$program: $(basename "$entry") grants $(sed -n 's/^X-KDE-.*Interfaces=//p' "$entry" | tr '\n' ' ')"
done
appstreamcli validate --no-net --no-color "$metainfo" || problem "appstreamcli validate"
appstreamcli validate-tree --no-net --no-color "$root" || problem "appstreamcli validate-tree"

echo "---- lintian"
lintian --fail-on error --display-info --suppress-tags-from-file packaging/lintian-suppressed-tags "$deb" \
    || problem "lintian"

echo "---- libraries of the unpacked programs"
# The package names of Depends, one a line (alternatives included).
depends="$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/^ *//; s/[ (].*//')"
# The package owning a library file; /lib and /usr/lib are one folder here.
owner() {
    local path="$1" candidate found
    for candidate in "$path" "/usr$path" "${path#/usr}" "$(readlink -f "$path")"; do
        found="$(dpkg -S "$candidate" 2>/dev/null | head -n 1 | cut -d: -f1)" || true
        if [ -n "$found" ]; then
            echo "$found"
            return
        fi
    done
}
for program in "$root"/usr/bin/*; do
    name="$(basename "$program")"
    ldd "$program" >"$root/ldd.txt" || problem "ldd $name"
    if grep -q "not found" "$root/ldd.txt"; then
        problem "$name: missing libraries: $(grep 'not found' "$root/ldd.txt" | tr -s ' \t' ' ')"
    fi
    for library in $(readelf -d "$program" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p'); do
        path="$(awk -v l="$library" '$1 == l { print $3 }' "$root/ldd.txt")"
        package="$(owner "$path")"
        if [ -z "$package" ]; then
            problem "$name: no installed package provides $library ($path)"
        elif ! grep -Fxq "$package" <<<"$depends"; then
            problem "$name: links $library of $package, which Depends lacks"
        else
            echo "$name: $library ($package)"
        fi
    done
    rm -f "$root/ldd.txt"
done

echo "---- the unpacked clickwisp-cli"
cli="$root/usr/bin/clickwisp-cli"
cliVersion="$("$cli" --version)" || problem "clickwisp-cli --version: exit status $?"
echo "$cliVersion"
[[ "$cliVersion" == "clickwisp-cli $version (backends: "*")" ]] \
    || problem "clickwisp-cli --version: '$cliVersion', expected version $version and the backends"
expected=$'No.\tType\tAction\n1\tMouse Click\tLeft Button Single Click on mouse current point\n'
expected+=$'2\tDelay\tDelay 500 ms\n3\tTypeText\tTypeText:Hello from Clickwisp\n4\tKeyboard\tKey :([Enter]) Press'
described="$("$cli" describe "$root/usr/share/doc/clickwisp/examples/example.xml")" \
    || problem "clickwisp-cli describe example.xml: exit status $?"
echo "$described"
[ "$described" == "$expected" ] || problem "clickwisp-cli describe example.xml: other rows than expected"

echo "---- the unpacked clickwisp, run by a user"
# Installed, the programs' folder belongs to root: a user's settings must go
# to the XDG folder. The default config.xml is written at start-up, after Qt
# has loaded its X11 platform plugin.
home="$root/home"
mkdir -p "$home"
chown 65534:65534 "$home"
chmod 755 "$root"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$root/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$root/display" ] && break; sleep 0.1; done
if started_as_nobody "$root/clickwisp.log" "$home/.config/clickwisp/config.xml" \
    PATH=/usr/bin:/bin DISPLAY=":$(cat "$root/display")" HOME="$home"; then
    echo "clickwisp started as nobody and wrote ~/.config/clickwisp/config.xml"
else
    problem "clickwisp run by a user did not write ~/.config/clickwisp/config.xml: $(cat "$root/clickwisp.log")"
fi
[ ! -e "$root/usr/bin/config.xml" ] || problem "clickwisp run by a user wrote config.xml beside itself"

echo "---- Qt's platform plugins, and the unpacked clickwisp on Wayland"
# Qt loads them at run time: only Depends brings them.
qtPlugins="$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null || echo /usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/qt6/plugins)"
for plugin in xcb wayland-generic; do
    package="$(owner "$qtPlugins/platforms/libq$plugin.so")"
    if [ -z "$package" ]; then
        problem "no installed package provides Qt's $plugin platform plugin"
    elif ! grep -Fxq "$package" <<<"$depends"; then
        problem "Qt's $plugin platform plugin comes with $package, which Depends lacks"
    else
        echo "platform plugin $plugin: $package"
    fi
done
# As a user on a Wayland session without XWayland: sway with its own runtime
# folder, the program with neither DISPLAY nor QT_QPA_PLATFORM.
wlhome="$root/wlhome"
runtime="$root/runtime"
mkdir -p "$wlhome" "$runtime"
printf 'xwayland disable\n' >"$runtime/config"
chown -R 65534:65534 "$wlhome" "$runtime"
chmod 700 "$runtime"
env -i PATH=/usr/bin:/bin HOME="$runtime" XDG_RUNTIME_DIR="$runtime" WLR_BACKENDS=headless WLR_RENDERER=pixman \
    WLR_LIBINPUT_NO_DEVICES=1 setpriv --reuid=65534 --regid=65534 --clear-groups \
    sway --config "$runtime/config" >"$root/sway.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do compgen -G "$runtime/wayland-*.lock" >/dev/null && break; sleep 0.1; done
socket="$(basename "$(compgen -G "$runtime/wayland-*.lock" | head -n 1)" .lock)"
if started_as_nobody "$root/clickwisp-wayland.log" "$wlhome/.config/clickwisp/config.xml" \
    PATH=/usr/bin:/bin HOME="$wlhome" XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" XDG_SESSION_TYPE=wayland; then
    echo "clickwisp started as a native Wayland client on sway"
else
    problem "clickwisp did not start on Wayland without XWayland: $(cat "$root/clickwisp-wayland.log")"
fi

echo "---- manual pages"
for page in "$root"/usr/share/man/man1/*.1.gz; do
    warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)"
    [ -z "$warnings" ] || problem "man -l $(basename "$page"): $warnings"
done
manual="$(LC_ALL=C.UTF-8 MANWIDTH=100 man -l "$root/usr/share/man/man1/clickwisp-cli.1.gz" | col -b)"
# CLI11 lists the verbs under "Subcommands:", two blanks in, one a line.
verbs="$("$cli" --help | sed -n '/^subcommands:/I,$ s/^  \([a-z][a-z-]*\) .*/\1/p')"
[ -n "$verbs" ] || problem "clickwisp-cli --help lists no verbs"
for verb in $verbs; do
    if grep -Eq "^   ${verb}( |$)" <<<"$manual"; then
        echo "man clickwisp-cli: $(grep -E "^   ${verb}( |$)" <<<"$manual" | sed 's/^ *//')"
    else
        problem "man clickwisp-cli has no section for the verb $verb"
    fi
done

echo "---- release notes and screenshots"
newest="$(grep -o -m 1 '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)"
[ "$newest" == "$version" ] || problem "metainfo: newest release is '$newest', the package is $version"
changelog="$(zcat "$root/usr/share/doc/clickwisp/changelog.gz" | head -n 1)"
[[ "$changelog" == "clickwisp ($version) "* ]] || problem "changelog starts '$changelog', the package is $version"
screenshots=0
while read -r width height url; do
    screenshots=$((screenshots + 1))
    file="docs/${url##*/}"
    if [ ! -f "$file" ]; then
        problem "metainfo: screenshot $url is not in docs/"
    elif ! file "$file" | grep -q "PNG image data, $width x $height,"; then
        problem "metainfo: screenshot $url is not $width x $height: $(file -b "$file")"
    fi
done < <(sed -n 's|.*<image type="source" width="\([0-9]*\)" height="\([0-9]*\)">\(.*\)</image>.*|\1 \2 \3|p' "$metainfo")
[ "$screenshots" -gt 0 ] || problem "metainfo: no screenshots found"

if [ ${#problems[@]} -ne 0 ]; then
    echo "check-package: FAILED: ${#problems[@]} problem(s), listed above" >&2
    exit 1
fi
echo "check-package: $(basename "$deb") passed"
