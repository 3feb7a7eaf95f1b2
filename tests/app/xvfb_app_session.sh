#!/usr/bin/env bash
# The program's real-window session: runs the AppRealWindow test on an X server made by
# xvfb-run and keeps its screenshots (main window with the report, a plot window) in the given
# folder. Usage: xvfb_app_session.sh <app_tests> <folder>
set -euo pipefail
tests_binary="$1"
folder="$2"
if ! command -v xvfb-run > /dev/null; then
  echo "xvfb-run is not installed; the real-window session is skipped"
  exit 0
fi
mkdir -p "$folder"
rm -f "$folder/velmor_main_window.bmp" "$folder/velmor_plot_window.bmp"
QT_QPA_PLATFORM=xcb VELMOR_SCREENSHOT_DIR="$folder" \
  xvfb-run -a -s "-screen 0 1600x1000x24" "$tests_binary" --gtest_filter='AppRealWindow.*'
for shot in velmor_main_window.bmp velmor_plot_window.bmp; do
  if [ ! -s "$folder/$shot" ]; then
    echo "no screenshot $shot was written to $folder"
    exit 1
  fi
done
echo "screenshots written to $folder"
