#!/usr/bin/env bash
# Submits a series to Slurm: the job array of its parts, then a merge job that starts once
# every part ended well and writes the manifest (or names what is missing, status 1).
# Prints the two job ids. Usage: SERIES="--series 8 --count 40 --no-wait" bash examples/slurm_series.sh [FOLDER]
set -euo pipefail
export FOLDER=${1:-suite}
export SERIES=${SERIES:-"--series 8 --count 40 --max-tasks 6 --mps i.mps.gz --report r.json --no-column-echo --no-wait"}
export GERADOR=${GERADOR:-gerador}
here=$(dirname "$0")
array=$(sbatch --parsable "$here/slurm_series.sbatch")
merge=$(sbatch --parsable --dependency="afterok:$array" --job-name=gerador-merge --output=gerador-merge.log \
  --wrap="$GERADOR $SERIES --merge $FOLDER")
echo "$array $merge"
