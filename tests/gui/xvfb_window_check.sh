#!/usr/bin/env bash
# The real-window check: runs the toolkit's RealWindow test on an X server made by xvfb-run and
# keeps its screenshot in the given folder. Usage: xvfb_window_check.sh <gui_tests> <folder>
set -euo pipefail
tests_binary="$1"
folder="$2"
if ! command -v xvfb-run > /dev/null; then
  echo "xvfb-run is not installed; the real-window check is skipped"
  exit 0
fi
mkdir -p "$folder"
rm -f "$folder/wintk_real_window.bmp"
QT_QPA_PLATFORM=xcb WINTK_SCREENSHOT_DIR="$folder" \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$tests_binary" --gtest_filter='RealWindow.*'
if [ ! -s "$folder/wintk_real_window.bmp" ]; then
  echo "no screenshot was written to $folder"
  exit 1
fi
echo "screenshot written to $folder/wintk_real_window.bmp"
