#!/usr/bin/env bash
# Times gerador.generate() of the standard instance, matrix included, against the program's
# standard run without its column file (its echo still enumerates every column), alternating
# the two, and prints the medians and each side's peak memory. scipy is imported before the
# clock starts, as a session has it already; its first import alone takes some 0.3 s.
# Usage: bench/python_generate.sh [build folder] [runs]
set -euo pipefail
build=$(realpath "${1:-build}")
runs=${2:-5}
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder"
median() { sort -g | awk '{v[NR]=$1} END{print (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'; }
program=() python=()
for _ in $(seq "$runs"); do
  program+=("$( { /usr/bin/time -f '%e %M' "$build/gerador" --no-column-write-file --no-wait \
                  < /dev/null > /dev/null; } 2>&1 | tail -1)")
  python+=("$(PYTHONPATH="$build/python" /usr/bin/python3 -c '
import resource, time, gerador, scipy.sparse
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
began = time.perf_counter()
instance = gerador.generate()
print(time.perf_counter() - began, resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before)')")
done
echo "program, no column file: $(printf '%s\n' "${program[@]}" | cut -d' ' -f1 | median) s, $(printf '%s\n' "${program[@]}" | cut -d' ' -f2 | median) KB"
echo "gerador.generate():      $(printf '%s\n' "${python[@]}" | cut -d' ' -f1 | median) s, $(printf '%s\n' "${python[@]}" | cut -d' ' -f2 | median) KB added"
