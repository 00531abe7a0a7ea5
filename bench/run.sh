#!/usr/bin/env bash
# Benchmarks: wall time and peak memory (max RSS) of zub queries on generated
# genome sets (fixed seed) and on the bundled real example.
# usage: bench/run.sh [query-name ...]   (default: all; BENCH_LIMIT=seconds per query, default 900)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/env.sh"
command -v /usr/bin/time >/dev/null || { echo "bench needs /usr/bin/time (apt-get install time)"; exit 1; }
build="$root/build-bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTAMSU_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target zub generate_genomes >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/gen20x2000" "$work/gen10x1000" "$work/gen5x1000" "$work/gen7x1000" "$work/real"
"$build/generate_genomes" "$work/gen20x2000" 20 2000 20261206
"$build/generate_genomes" "$work/gen10x1000" 10 1000 20261206
# Center mode enumerates one candidate per genome exhaustively: its work grows
# steeply with the genome count, so it is measured on 5 and 7 genomes.
"$build/generate_genomes" "$work/gen5x1000" 5 1000 20261206 20
"$build/generate_genomes" "$work/gen7x1000" 7 1000 20261206 20
cp "$root/examples/ncbi_cog5/genomes.txt" "$root/examples/ncbi_cog5/annotation.txt" "$work/real/"

# name | data folder | arguments
queries=(
  "ref-d2-gen20x2000|gen20x2000|-r -d 2 -s 5 -q 15"
  "perfect-gen20x2000|gen20x2000|-p -s 5 -q 15"
  "median-d2-gen10x1000|gen10x1000|-m -d 2 -s 5"
  "center-d1-gen5x1000|gen5x1000|-c -d 1 -s 5"
  "center-d1-gen7x1000|gen7x1000|-c -d 1 -s 5"
  "ref-d1-real|real|-r -d 1 -s 5 -q 3"
  "perfect-real|real|-p -s 3 -q 3"
  "median-d1-real|real|-m -d 1 -s 5 -q 3"
  "center-d1-real|real|-c -d 1 -s 5 -q 3"
  "ref-d1-real-noNUM|real|-r -d 1 -s 5 -q 3 -noNUM"
  "median-d1-real-noNUM|real|-m -d 1 -s 5 -q 3 -noNUM"
)

printf '%-24s %10s %12s %s\n' query wall_s peak_MiB status
for entry in "${queries[@]}"; do
  IFS='|' read -r name data args <<<"$entry"
  if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then continue; fi
  cd "$work/$data"
  set +e
  # a query that runs past the limit is stopped (status 124)
  /usr/bin/time -f '%e %M' -o "$work/time.txt" timeout "${BENCH_LIMIT:-900}" "$build/zub" genomes.txt $args </dev/null >"$work/out.txt" 2>"$work/err.txt"
  status=$?
  set -e
  # the last line holds "wall rss" (a failed command adds a line before it)
  read -r wall rss < <(tail -n 1 "$work/time.txt")
  printf '%-24s %10s %12s %s\n' "$name" "$wall" "$(awk -v r="$rss" 'BEGIN { printf "%.1f", r / 1024 }')" "$status"
done
