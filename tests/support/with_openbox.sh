#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a command on the X server named by $DISPLAY under the openbox window manager: starts the
# manager, waits until it has taken the screen, runs the command and stops the manager again.
# Usage: with_openbox.sh <command> [arguments...]; exits with the command's status.
set -uo pipefail
openbox > /dev/null 2>&1 &
manager=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q "window id" && break
  sleep 0.1
done
status=0
"$@" || status=$?
kill "$manager" 2> /dev/null || true
wait "$manager" 2> /dev/null || true
exit "$status"
