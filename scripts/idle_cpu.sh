#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Measures how much of one core the windowed program uses while it sits idle: the program is
# started on an Xvfb server under the openbox window manager, left to show its splash and reach
# its command loop, and its CPU time (user + system, /proc/<pid>/stat) is read before and after a
# quiet period. Prints the share of one core; exits 1 above the limit.
# Usage: scripts/idle_cpu.sh [velmor-tarn binary] [seconds measured] [limit in percent]
set -euo pipefail
binary="$(realpath "${1:-build/src/app/velmor-tarn}")"
seconds="${2:-10}"
limit="${3:-2}"
for tool in xvfb-run openbox xprop; do
  command -v "$tool" > /dev/null || { echo "$tool is needed (scripts/install-deps)"; exit 2; }
done
[ -x "$binary" ] || { echo "no program at $binary (build it first)"; exit 2; }

# On the server, under the window manager: start the program, let the splash (ten seconds) pass
# and read the program's CPU time before and after the quiet period.
session='
binary="$1"; seconds="$2"
"$binary" > /dev/null 2>&1 &
program=$!
sleep 13
cpu_ticks() { awk "{ print \$14 + \$15 }" "/proc/$program/stat"; }
before=$(cpu_ticks)
sleep "$seconds"
after=$(cpu_ticks)
kill "$program" 2> /dev/null || true
wait "$program" 2> /dev/null || true
echo "$before $after"
'
read -r before after < <(xvfb-run -a -s "-screen 0 1600x1000x24" \
  bash "$(dirname "$0")/../tests/support/with_openbox.sh" bash -c "$session" session "$binary" \
  "$seconds" | tail -n 1)
ticks_per_second=$(getconf CLK_TCK)
percent=$(awk -v b="$before" -v a="$after" -v t="$ticks_per_second" -v s="$seconds" \
  'BEGIN { printf "%.2f", (a - b) / t / s * 100 }')
echo "idle CPU over ${seconds} s: ${percent}% of one core (limit ${limit}%)"
awk -v p="$percent" -v l="$limit" 'BEGIN { exit !(p <= l) }'
