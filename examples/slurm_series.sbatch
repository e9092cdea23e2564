#!/usr/bin/env bash
# One part of a series per task of a Slurm job array; examples/slurm_series.sh submits it
# with the merge job. SERIES holds the series' options, FOLDER its folder, GERADOR the
# program (sbatch passes the submitting shell's environment on).
#SBATCH --job-name=gerador-part
#SBATCH --array=1-4
#SBATCH --output=gerador-part-%a.log
set -euo pipefail
read -r -a series <<<"${SERIES:?the series options}"
exec "${GERADOR:-gerador}" "${series[@]}" -C "${FOLDER:-suite}" \
  --shard "$SLURM_ARRAY_TASK_ID/$SLURM_ARRAY_TASK_COUNT"
