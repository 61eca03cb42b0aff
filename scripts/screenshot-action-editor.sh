#!/usr/bin/env bash
# Renders docs/action-editor.png: the action editor editing a colour click,
# drawn offscreen by its look test.
# Usage: scripts/screenshot-action-editor.sh [build folder, default: build]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
ninja -C "$build" test_ui_action_editor_look_test
CLICKWISP_SCREENSHOT_DIR="$root/docs" QT_QPA_PLATFORM=offscreen "$build/tests/ui/test_ui_action_editor_look_test"
echo "wrote $root/docs/action-editor.png"
