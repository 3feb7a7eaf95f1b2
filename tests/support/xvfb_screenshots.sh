#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs real-window tests on an X server made by xvfb-run, under the openbox window manager (so
# that windows are framed, placed and closed by a manager as on a desktop), and checks that they
# left their screenshots in the given folder (kept out of the repository: callers pass a build
# folder).
# Usage: xvfb_screenshots.sh <test binary> <gtest filter> <screen WxHxD> <folder>
#                            <environment variable naming the folder> <screenshot>...
set -euo pipefail
tests_binary="$1"
filter="$2"
screen="$3"
folder="$4"
folder_variable="$5"
shift 5
for tool in xvfb-run openbox xdotool xwininfo xprop; do
  if ! command -v "$tool" > /dev/null; then
    echo "$tool is not installed (scripts/install-deps); the real-window tests $filter are skipped"
    exit 0
  fi
done
mkdir -p "$folder"
for shot in "$@"; do rm -f "$folder/$shot"; done

env QT_QPA_PLATFORM=xcb "$folder_variable=$folder" VELMOR_WINDOW_MANAGER=openbox \
  xvfb-run -a -s "-screen 0 $screen" bash "$(dirname "$0")/with_openbox.sh" "$tests_binary" \
  --gtest_filter="$filter"
for shot in "$@"; do
  if [ ! -s "$folder/$shot" ]; then
    echo "no screenshot $shot was written to $folder"
    exit 1
  fi
done
echo "screenshots written to $folder: $*"
