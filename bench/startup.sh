#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up of the command line, as whole processes: `--version`, and a batch run of a copy of
# examples/DATA.IN with --method fast, each the median of RUNS runs (startup_timing). Prints the
# figures and the libraries the program loads; exits 1 when a median misses its target (5 ms for
# --version, 10 ms for the batch run).
#
#   bash bench/startup.sh [PROGRAM] [RUNS] [TIMING_PROGRAM]
#
# PROGRAM defaults to build/src/app/velmor-tarn, TIMING_PROGRAM to build/bench/startup_timing.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program="$(realpath "${1:-$root/build/src/app/velmor-tarn}")"
runs="${2:-50}"
timing="$(realpath "${3:-$root/build/bench/startup_timing}")"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$root/examples/DATA.IN" "$work/DATA.IN"

echo "libraries loaded by $program:"
ldd "$program" | sed 's/^/  /'

# The median in milliseconds from startup_timing's line, after printing the line.
median_of() {
  local line
  line="$("$timing" "$runs" "$@")"
  echo "  $line" >&2
  sed -n 's/^median \([0-9.]*\) ms.*/\1/p' <<<"$line"
}

status=0
check() {
  local what="$1" limit="$2" median
  shift 2
  echo "$what:" >&2
  median="$(median_of "$@")"
  if awk -v m="$median" -v l="$limit" 'BEGIN { exit !(m < l) }'; then
    echo "  under the target of $limit ms" >&2
  else
    echo "  MISSED the target of $limit ms" >&2
    status=1
  fi
}
check "--version" 5 "$program" --version
check "--batch DATA.IN --method fast" 10 "$program" --batch "$work/DATA.IN" --method fast
exit "$status"
