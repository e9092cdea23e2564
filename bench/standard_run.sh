#!/usr/bin/env bash
# Runs the program's standard run in a temporary folder and prints its wall time, peak
# memory, columns and bytes written, next to the time `cat` takes to copy the same file:
# writing those bytes is the floor for this run. Each timed run starts without the file
# it writes, so neither side pays for dropping an earlier copy.
# Usage: bench/standard_run.sh [path/to/gerador] [runs]
set -euo pipefail
program=$(realpath "${1:-build/gerador}")
runs=${2:-7}
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder"

now() { date +%s%N; }
# Prints the best (smallest) wall time in seconds of `runs` runs of a command; $1 is removed before each.
best_of() {
  local target=$1; shift
  local best=""
  for _ in $(seq "$runs"); do
    rm -f "$target"; sync
    local begin; begin=$(now)
    "$@"
    local elapsed=$(( $(now) - begin ))
    if [ -z "$best" ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
  done
  awk "BEGIN{printf \"%.3f\", $best / 1e9}"
}

run_program() { "$program" < /dev/null > console.txt; }
copy_file() { cat 150_3304438.txt > copy; }

program_seconds=$(best_of 150_3304438.txt run_program)
rm -f 150_3304438.txt
peak_kb=$(/usr/bin/time -f '%M' "$program" < /dev/null 2>&1 >/dev/null | tail -1)
cat_seconds=$(best_of copy copy_file)

columns=$(sed -n 2p 150_3304438.txt | tr -d ' ')
bytes=$(stat -c %s 150_3304438.txt)
echo "standard run:  ${program_seconds} s wall (best of $runs), ${peak_kb} KB peak memory"
echo "column file:   ${columns} columns, ${bytes} bytes"
echo "cat floor:     ${cat_seconds} s wall (best of $runs)"
awk "BEGIN{printf \"ratio:         %.1f x the floor\n\", $program_seconds / $cat_seconds}"
