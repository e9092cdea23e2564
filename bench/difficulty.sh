#!/usr/bin/env bash
# Measures how hard instances are to solve across a grid of settings: for each point, one
# instance made and solved with --solve (at most SECONDS each), its manifest row gathered
# into difficulty.csv, and difficulty.svg plots solve seconds and Cbc nodes against the
# columns. Usage: bench/difficulty.sh [OUT_FOLDER]   (GERADOR, SECONDS, GRID override)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
gerador=${GERADOR:-$here/build/gerador}
out=${1:-difficulty}
seconds=${SECONDS_EACH:-60}
mkdir -p "$out"
# tasks, longest chain, locations, window end, plant, accept percent, model
grid=${GRID:-"
60 6 10 04/01/2006 08:00 no 100 partition
60 6 10 04/01/2006 08:00 yes 100 partition
150 13 10 04/01/2006 08:00 no 100 cover
150 13 10 04/01/2006 08:00 no 100 elastic
200 8 10 04/01/2006 08:00 no 100 cover
150 13 10 04/01/2006 08:00 yes 2 partition
150 13 10 04/01/2006 08:00 yes 2 elastic
150 13 10 04/01/2006 08:00 no 2 elastic
"}
csv="$out/difficulty.csv"
header=""
: > "$csv.rows"
point=0
while read -r tasks longest locations day time plant accept model; do
  [ -z "$tasks" ] && continue
  point=$((point + 1))
  folder="$out/point$point"
  options=(--series 1 --count "$tasks" --max-tasks "$longest" --location-count "$locations"
           --window-end "$day $time" --accept-percent "$accept" --model "$model" --solve
           --solve-seconds "$seconds" --no-column-write-file --no-column-echo --no-wait -C "$folder")
  [ "$plant" = yes ] && options+=(--plant)
  "$gerador" "${options[@]}" > /dev/null 2> "$folder.err" || { echo "point $point failed:"; cat "$folder.err"; continue; }
  header=$(head -1 "$folder/manifest.csv")
  echo "$tasks,$longest,$locations,$day $time,$plant,$accept,$model,$(sed -n 2p "$folder/manifest.csv")" >> "$csv.rows"
  echo "point $point: $(tail -1 "$csv.rows")"
done <<<"$grid"
echo "tasks,maxTasks,locations,windowEnd,plant,acceptPercent,model,$header" > "$csv"
cat "$csv.rows" >> "$csv"
rm -f "$csv.rows"
/usr/bin/python3 "$here/bench/difficulty_plot.py" "$csv" "$out/difficulty.svg"
echo "$csv, $out/difficulty.svg"
