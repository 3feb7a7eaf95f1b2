#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a command on the X server named by $DISPLAY under the openbox window manager: starts the
# manager, waits until it manages the screen (it announces _NET_ACTIVE_WINDOW among the hints
# it supports), runs the command and stops the manager again. A manager that does not come up
# within the time allowed, or that is gone when the command ends, fails the run with its own
# output: windows mapped without a manager get no frame and no close box, and the tests would
# fail for a reason they cannot show.
# Usage: with_openbox.sh <command> [arguments...]; exits with the command's status.
# OPENBOX_START_SECONDS (default 120) bounds the wait on a loaded machine.
set -uo pipefail
log="$(mktemp "${TMPDIR:-/tmp}/openbox.XXXXXX")"
trap 'rm -f "$log"' EXIT
openbox > "$log" 2>&1 &
manager=$!

manages_screen() {
  xprop -root _NET_SUPPORTED 2> /dev/null | grep -q "_NET_ACTIVE_WINDOW"
}

deadline=$((SECONDS + ${OPENBOX_START_SECONDS:-120}))
until manages_screen; do
  if ! kill -0 "$manager" 2> /dev/null || [ "$SECONDS" -ge "$deadline" ]; then
    echo "openbox did not take the screen $DISPLAY; its output:" >&2
    cat "$log" >&2
    kill "$manager" 2> /dev/null || true
    exit 1
  fi
  sleep 0.1
done

status=0
"$@" || status=$?
if ! kill -0 "$manager" 2> /dev/null; then
  echo "openbox ended during the run on $DISPLAY; its output:" >&2
  cat "$log" >&2
  [ "$status" -ne 0 ] || status=1
fi
kill "$manager" 2> /dev/null || true
wait "$manager" 2> /dev/null || true
exit "$status"
