#!/usr/bin/env bash
# Renders screenshots of the desktop programs under a private X server into
# docs/: the Qt program's main window with an example list (at 100 % and 200 %
# scaling), its options dialog and About box; then, when the Windows build
# and Wine are there, clickwisp.exe's main window and About box under Wine.
# Uses openbox for window frames when it is installed.
#
# Usage: scripts/screenshots.sh [BUILD_DIR [WINDOWS_BUILD_DIR]]
#        (default: build and build/windows)
# Needs: Xvfb, xdotool, ImageMagick (import), a built ui/clickwisp and/or
# ui_win32/clickwisp.exe (scripts/build-windows.sh) with Wine.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" 2>/dev/null && pwd || true)
APP="$BUILD/ui/clickwisp"
WIN_APP="${2:-$ROOT/build/windows}/ui_win32/clickwisp.exe"
WINE=/usr/lib/wine/wine64
[ -x "$APP" ] || [ -f "$WIN_APP" ] || {
    echo "no program at $APP nor $WIN_APP: build the clickwisp target first" >&2
    exit 1
}
DOCS="$ROOT/docs"
mkdir -p "$DOCS"

WORK=$(mktemp -d)
PIDS=()
cleanup() {
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$WORK"
}
trap cleanup EXIT

# A private display: Xvfb writes the number it chose.
Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp +extension XTEST +extension RECORD 3>"$WORK/display" \
    >/dev/null 2>&1 &
PIDS+=($!)
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$WORK/display")"
if command -v openbox >/dev/null; then
    openbox >/dev/null 2>&1 &
    PIDS+=($!)
    sleep 1
fi

cat >"$WORK/example.xml" <<'EOF'
<?xml version="1.0"?>
<list versionNo="1.0">
 <item actionType="1" mouseMovePosX="640" mouseMovePosY="360"/>
 <item actionType="0" mouseButton="0" mouseAction="0" mousePoint="1" mouseClickPosX="640" mouseClickPosY="360"/>
 <item actionType="4" delay="500"/>
 <item actionType="3" typeText="Hello from Clickwisp"/>
 <item actionType="2" key="13" keyAction="2"/>
 <item actionType="4" delay="1500"/>
 <item actionType="0" mouseButton="1" mouseAction="1" mousePoint="2" fColor="clRed" fColorSimplar="90"/>
 <item actionType="2" key="17" keyAction="0"/>
 <item actionType="2" key="83" keyAction="2"/>
 <item actionType="2" key="17" keyAction="1"/>
</list>
EOF

wait_window() { # name pattern; prints the window id
    local id=""
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
        [ -n "$id" ] && { echo "$id"; return; }
        sleep 0.1
    done
    echo "window '$1' did not appear" >&2
    exit 1
}

origin() { # window id; sets X and Y to its client area's top-left on the screen
    X=$(xwininfo -id "$1" | awk '/Absolute upper-left X/ {print $4}')
    Y=$(xwininfo -id "$1" | awk '/Absolute upper-left Y/ {print $4}')
}

shoot() { # window id, file name in docs/
    sleep 0.5
    import -window "$1" -frame "$DOCS/$2" 2>/dev/null || import -window "$1" "$DOCS/$2"
    echo "wrote docs/$2"
}

# One run of the program at a scale factor; shoots the main window, and at
# 100 % the options dialog and the About box too.
session() { # scale, main window file name
    local scale=$1 file=$2
    cp "$APP" "$WORK/clickwisp"
    rm -f "$WORK/config.xml"
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$WORK/clickwisp" >/dev/null 2>&1 &
    local app=$!
    PIDS+=($app)
    local main
    main=$(wait_window '^Clickwisp [0-9.]*$')
    xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
    xdotool key alt+l
    wait_window '^Open' >/dev/null
    xdotool type --delay 2 "$WORK/example.xml"
    xdotool key Return
    sleep 0.7
    # Select the fourth row with a click into the list.
    origin "$main"
    xdotool mousemove $((X + 200 * scale)) $((Y + 136 * scale)) click 1
    xdotool mousemove $((X + 50 * scale)) $((Y + 60 * scale)) # over Record Mouse: its hint
    shoot "$main" "$file"
    if [ "$scale" = 1 ]; then
        xdotool key alt+o
        shoot "$(wait_window '^Config Options$')" options-dialog.png
        xdotool key Escape
        sleep 0.3
        origin "$main"
        xdotool mousemove $((X + 15)) $((Y + 8)) click 1
        local about
        about=$(wait_window '^About Clickwisp$')
        shoot "$about" about-box.png
        origin "$about"
        xdotool mousemove $((X + 5)) $((Y + 5)) click 1
        sleep 0.3
    fi
    xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
    xdotool key alt+x
    wait "$app" || true
}

if [ -x "$APP" ]; then
    session 1 main-window.png
    session 2 main-window-200.png
else
    echo "no Qt program at $APP: its screenshots are left as they are"
fi

# clickwisp.exe under Wine: the same list, its main window (at 100 % and
# 200 %, Wine's LogPixels) and at 100 % its About box.
win32_session() { # scale, main window file name
    local scale=$1 file=$2
    export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    "$WINE" wineboot -i >/dev/null 2>&1
    "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $((96 * scale)) /f >/dev/null 2>&1
    "${WINE%/wine64}/wineserver" -w
    rm -rf "$WORK/win"
    mkdir -p "$WORK/win"
    cp "$WIN_APP" "$WORK/win/clickwisp.exe"
    (cd "$WORK/win" && exec "$WINE" clickwisp.exe >/dev/null 2>&1) &
    local app=$!
    PIDS+=($app)
    local main
    main=$(wait_window '^Clickwisp [0-9.]*$')
    xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
    xdotool key alt+l
    wait_window '^Open$' >/dev/null
    sleep 0.5
    xdotool type --delay 2 "Z:${WORK//\//\\}\\example.xml"
    xdotool key Return
    sleep 1
    origin "$main"
    xdotool mousemove $((X + 200 * scale)) $((Y + 148 * scale)) click 1
    xdotool mousemove $((X + 50 * scale)) $((Y + 60 * scale)) # over Record Mouse: its hint,
    sleep 0.2
    xdotool mousemove $((X + 660 * scale)) $((Y + 60 * scale)) # which stays; no tooltip in the way
    shoot "$main" "$file"
    if [ "$scale" = 1 ]; then
        xdotool mousemove $((X + 15)) $((Y + 8)) click 1
        local about
        about=$(wait_window '^About Clickwisp$')
        shoot "$about" about-box-win32.png
        origin "$about"
        xdotool mousemove $((X + 8)) $((Y + 60)) click 1
        sleep 0.3
    fi
    xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
    xdotool key alt+x
    wait "$app" || true
    "${WINE%/wine64}/wineserver" -k 2>/dev/null || true
}

if [ -f "$WIN_APP" ] && [ -x "$WINE" ]; then
    win32_session 1 main-window-win32.png
    win32_session 2 main-window-win32-200.png
else
    echo "no Windows program at $WIN_APP or no Wine: its screenshots are left as they are"
fi
