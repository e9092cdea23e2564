#!/usr/bin/env bash
# The examples of a series in parts give the single run's manifest, byte for byte: GNU
# parallel's line, then a real single-node Slurm, where the example job array makes the
# parts and the merge job that depends on it writes the manifest. Starts munged, slurmctld
# and slurmd itself and stops them at the end.
# Usage: examples_test.sh GERADOR EXAMPLES_FOLDER. Exits 77 (skipped) without parallel,
# Slurm or root, except under CI, where that is a failure.
set -euo pipefail
gerador=$1
examples=$2
skip() {
  echo "skipped: $1"
  if [ "${CI:-}" = true ]; then exit 1; fi
  exit 77
}
series="--series 6 --count 20 --max-tasks 5 --location-count 6 --depot-count 2 --mps i.mps --no-column-echo --no-wait"
same_manifests() {
  for manifest in manifest.csv manifest.json; do
    cmp "$1/$manifest" "$2/$manifest" || { echo "$2/$manifest differs from the single run's"; exit 1; }
  done
}

command -v parallel >/dev/null || skip "GNU parallel is not installed"
alone=$(mktemp -d /tmp/gerador-parallel.XXXXXX)
(
  cd "$alone"
  "$gerador" $series -C single > /dev/null 2>&1
  SERIES="$series" GERADOR="$gerador" bash "$examples/parallel_series.sh" parts > parallel.log 2>&1 ||
    { cat parallel.log; exit 1; }
  same_manifests single parts
) || { rm -rf "$alone"; exit 1; }
rm -rf "$alone"
echo "parallel: the merged manifest is the single run's"
[ "$(id -u)" = 0 ] || skip "starting Slurm's daemons needs root"
for program in sbatch squeue scontrol sinfo slurmctld slurmd munged; do
  command -v "$program" >/dev/null || PATH=$PATH:/usr/sbin
  command -v "$program" >/dev/null || skip "$program is not installed"
done

work=$(mktemp -d /tmp/gerador-slurm.XXXXXX)
chmod 755 "$work"
stop() {
  local daemons=()
  for file in "$work/slurmctld.pid" "$work/slurmd.pid"; do
    if [ -s "$file" ]; then daemons+=("$(cat "$file")"); fi
  done
  for pid in "${daemons[@]}"; do kill "$pid" 2>/dev/null || true; done
  # They write their state as they go: the folder is removed once they are gone.
  for _ in $(seq 50); do
    alive=0
    for pid in "${daemons[@]}"; do kill -0 "$pid" 2>/dev/null && alive=1; done
    [ "$alive" = 0 ] && break
    sleep 0.1
  done
  rm -rf "$work" || true
}
trap stop EXIT
host=$(hostname -s)
memory=$(( $(awk '/MemTotal/ {print int($2 / 1024)}' /proc/meminfo) / 2 ))
mkdir -p "$work/state" "$work/spool"
cat > "$work/slurm.conf" <<CONF
ClusterName=gerador
SlurmctldHost=$host
SlurmUser=root
AuthType=auth/munge
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
AccountingStorageType=accounting_storage/none
JobAcctGatherType=jobacct_gather/none
JobCompType=jobcomp/none
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldPort=16817
SlurmdPort=16818
ReturnToService=2
NodeName=$host CPUs=$(nproc) RealMemory=$memory State=UNKNOWN
PartitionName=test Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF=$work/slurm.conf

if ! pgrep -x munged >/dev/null; then
  mkdir -p /run/munge && chown munge:munge /run/munge
  runuser -u munge -- /usr/sbin/munged
fi
slurmctld -f "$SLURM_CONF"
slurmd -f "$SLURM_CONF"
for _ in $(seq 60); do
  if scontrol ping 2>/dev/null | grep -q UP && [ "$(sinfo -h -o %T 2>/dev/null | head -1)" = idle ]; then break; fi
  sleep 0.5
done
[ "$(sinfo -h -o %T | head -1)" = idle ] || { echo "Slurm did not start"; sinfo; exit 1; }

cd "$work"
"$gerador" $series -C single > /dev/null 2>&1
read -r array merge < <(SERIES="$series" GERADOR="$gerador" bash "$examples/slurm_series.sh" parts)
for _ in $(seq 240); do
  [ -z "$(squeue -h -j "$array,$merge" 2>/dev/null)" ] && break
  sleep 0.5
done
state=$(scontrol show job "$merge" 2>/dev/null | grep -o 'JobState=[A-Z]*' || echo "JobState=GONE")
echo "merge job $merge: $state"
cat gerador-merge.log 2>/dev/null || true
same_manifests single parts
echo "Slurm: the merged manifest is the single run's"
