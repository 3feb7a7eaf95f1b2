#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Speed of the batch mode over many files: COPIES copies of examples/DATA.IN, all four models,
# fitted by one run with the default number of jobs (one per core), against the bound
# 1.5 x COPIES x (time of one file) / cores. The time of one file is that of the same program
# on one copy; each time is the median of several runs, taken in turns so that a change in the
# machine's load falls on both alike. Prints the figures; exits 1 when the bound is missed.
#
#   bash bench/batch_files.sh [PROGRAM] [COPIES] [ROUNDS]
#
# PROGRAM defaults to build/src/app/velmor-tarn of the repository.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program="${1:-$root/build/src/app/velmor-tarn}"
copies="${2:-96}"
rounds="${3:-5}"
cores="$(nproc)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/one" "$work/many"
cp "$root/examples/DATA.IN" "$work/one/DATA.IN"
for i in $(seq -w 1 "$copies"); do cp "$root/examples/DATA.IN" "$work/many/data$i.in"; done

# Wall-clock seconds of one run of the program with the given arguments.
seconds() {
  local start end
  start="$(date +%s.%N)"
  "$program" --batch "$@" >/dev/null 2>&1 || { echo "the run failed: $*" >&2; exit 2; }
  end="$(date +%s.%N)"
  awk -v a="$start" -v b="$end" 'BEGIN {print b - a}'
}

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

one=()
many=()
for ((r = 0; r < rounds; r++)); do
  for ((k = 0; k < 3; k++)); do one+=("$(seconds "$work/one/DATA.IN")"); done
  many+=("$(seconds "$work/many")")
done
t1="$(printf '%s\n' "${one[@]}" | median)"
tn="$(printf '%s\n' "${many[@]}" | median)"
calc() { awk "BEGIN {print $1}"; }
bound="$(calc "1.5 * $copies * $t1 / $cores")"
ideal="$(calc "$copies * $t1 / $cores")"

printf 'cores                       %d\n' "$cores"
printf 'one file (median of %d)     %.4f s\n' "${#one[@]}" "$t1"
printf '%d files, default jobs      %.3f s (median of %d)\n' "$copies" "$tn" "${#many[@]}"
printf 'ideal %d x one / cores      %.3f s\n' "$copies" "$ideal"
printf 'bound 1.5 x ideal           %.3f s\n' "$bound"
printf 'ratio to ideal              %.2f\n' "$(calc "$tn / $ideal")"
if (($(calc "($tn <= $bound) ? 1 : 0"))); then
  echo "within the bound"
else
  echo "OVER the bound"
  exit 1
fi
