#!/usr/bin/env bash
# A series in parts with GNU parallel, on this machine or over others by ssh (add
# -S host1,host2 and a shared folder), then the merge that checks every instance and
# writes the manifest. SERIES holds the series' options, GERADOR the program.
# Run:  bash examples/parallel_series.sh [FOLDER]
set -euo pipefail
folder=${1:-suite}
gerador=${GERADOR:-gerador}
read -r -a series <<<"${SERIES:-"--series 8 --count 40 --max-tasks 6 --mps i.mps.gz --report r.json --no-column-echo --no-wait"}"

parallel --halt now,fail=1 "$gerador" "${series[@]}" -C "$folder" --shard {}/4 ::: 1 2 3 4
"$gerador" "${series[@]}" --merge "$folder"
