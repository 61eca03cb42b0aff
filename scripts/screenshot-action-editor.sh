#!/usr/bin/env bash
# Renders docs/action-editor.png (the action editor editing a colour click,
# drawn offscreen by its look test) and docs/action-editor-test.png (the
# result of its "Test" button, drawn by the capture test).
# Usage: scripts/screenshot-action-editor.sh [build folder, default: build]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
ninja -C "$build" test_ui_action_editor_look_test test_ui_action_editor_capture_test
CLICKWISP_SCREENSHOT_DIR="$root/docs" QT_QPA_PLATFORM=offscreen "$build/tests/ui/test_ui_action_editor_look_test"
CLICKWISP_SCREENSHOT_DIR="$root/docs" QT_QPA_PLATFORM=offscreen "$build/tests/ui/test_ui_action_editor_capture_test" \
  theTestButtonSearchesWithTheDialogsValuesOutOfSightAndMarksThePlace
echo "wrote $root/docs/action-editor.png and $root/docs/action-editor-test.png"
