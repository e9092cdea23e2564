#!/usr/bin/env bash
# Times the program's standard run (plus any options given after the run count) against
# the floor of writing its bytes: `cat` copying every file the run wrote. The two sides
# alternate, each run starting without the files it writes, and the script prints the
# median of the per-pair ratios, the median wall times, the peak memory and each file.
# Usage: bench/standard_run.sh [path/to/gerador] [runs] [options of gerador...]
#   e.g. bench/standard_run.sh build/gerador 7 --mps instancia.mps
set -euo pipefail
program=$(realpath "${1:-build/gerador}")
runs=${2:-7}
shift $(( $# < 2 ? $# : 2 ))
options=("$@")
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir "$folder/run" "$folder/copy"
cd "$folder/run"

now() { date +%s%N; }
median() { sort -g | awk '{v[NR]=$1} END{print (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'; }

# One run to learn the files and the peak memory.
peak_kb=$(/usr/bin/time -f '%M' "$program" --no-wait "${options[@]}" < /dev/null 2>&1 >/dev/null | tail -1)
files=(*)

program_times=() cat_times=() ratios=()
for _ in $(seq "$runs"); do
  rm -f ./*; sync
  begin=$(now)
  "$program" --no-wait "${options[@]}" < /dev/null > /dev/null
  program_ns=$(( $(now) - begin ))

  rm -f ../copy/*; sync
  begin=$(now)
  for file in "${files[@]}"; do cat "$file" > "../copy/$file"; done
  cat_ns=$(( $(now) - begin ))

  program_times+=("$program_ns") cat_times+=("$cat_ns")
  ratios+=("$(awk "BEGIN{print $program_ns / $cat_ns}")")
done

program_s=$(printf '%s\n' "${program_times[@]}" | median)
cat_s=$(printf '%s\n' "${cat_times[@]}" | median)
ratio=$(printf '%s\n' "${ratios[@]}" | median)
echo "options:       ${options[*]:-(standard run)}"
for file in "${files[@]}"; do printf 'file:          %s, %s bytes\n' "$file" "$(stat -c %s "$file")"; done
awk "BEGIN{printf \"run:           %.3f s wall (median of $runs), %d KB peak memory\n\", $program_s / 1e9, $peak_kb}"
awk "BEGIN{printf \"cat floor:     %.3f s wall (median of $runs)\n\", $cat_s / 1e9}"
awk "BEGIN{printf \"ratio:         %.2f x the floor (median of the $runs alternating pairs)\n\", $ratio}"
