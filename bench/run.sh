#!/usr/bin/env bash
# Benchmarks: wall time, CPU time (user + system) and peak memory (max RSS) of
# zub queries on generated genome sets (fixed seeds), the bundled real example
# and, when the shared data folder is there, the 471-genome plasmid set.
# usage: bench/run.sh [query-name ...]   (default: all; BENCH_LIMIT=seconds per query, default 900)
# BENCH_ZUB=<binary> measures that binary instead of building this tree's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/env.sh"
command -v /usr/bin/time >/dev/null || { echo "bench needs /usr/bin/time (apt-get install time)"; exit 1; }
build="$root/build-bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTAMSU_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target zub generate_genomes >/dev/null
zub=${BENCH_ZUB:-$build/zub}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
plasmids="$root/../shared/data/plasmids471_cog"

# name | data folder | arguments
queries=(
  "ref-d2-gen20x2000|gen20x2000|-r -d 2 -s 5 -q 15"
  "perfect-gen20x2000|gen20x2000|-p -s 5 -q 15"
  "ref-d2-gen10x1000|gen10x1000|-r -d 2 -s 5 -q 7"
  "ref-d2-gen40x1000|gen40x1000|-r -d 2 -s 5 -q 30"
  "ref-d2-gen40x4000|gen40x4000|-r -d 2 -s 5 -q 30"
  "perfect-gen40x4000|gen40x4000|-p -s 5 -q 30"
  "ref-d2-gen100x4000|gen100x4000|-r -d 2 -s 5 -q 75"
  "perfect-gen100x4000|gen100x4000|-p -s 5 -q 75"
  "ref-d1-gen2x70000|gen2x70000|-r -d 1 -s 5"
  "perfect-gen2x70000|gen2x70000|-p -s 5"
  "median-d2-gen10x1000|gen10x1000|-m -d 2 -s 5"
  "center-d1-gen5x1000|gen5x1000|-c -d 1 -s 5"
  "center-d1-gen7x1000|gen7x1000|-c -d 1 -s 5"
  "ref-d1-real|real|-r -d 1 -s 5 -q 3"
  "perfect-real|real|-p -s 3 -q 3"
  "median-d1-real|real|-m -d 1 -s 5 -q 3"
  "center-d1-real|real|-c -d 1 -s 5 -q 3"
  "ref-d1-real-noNUM|real|-r -d 1 -s 5 -q 3 -noNUM"
  "median-d1-real-noNUM|real|-m -d 1 -s 5 -q 3 -noNUM"
  "perfect-plasmids471|plasmids471|-p --refType=discovery -s 4 -q 20"
  "ref-d1-plasmids471|plasmids471|-r -d 1 -s 4 -q 20"
  # Growth with the genome count: the same genome length, twice the genomes
  # per step (quorum half the genomes).
  "ref-d1-gen10x2000|gen10x2000_20|-r -d 1 -s 4 -q 5"
  "ref-d1-gen20x2000|gen20x2000_20|-r -d 1 -s 4 -q 10"
  "ref-d1-gen40x2000|gen40x2000_20|-r -d 1 -s 4 -q 20"
  "ref-d1-gen80x2000|gen80x2000_20|-r -d 1 -s 4 -q 40"
  # Beyond 100 genomes: 1.5 million genes.
  "ref-d1-gen500x3000|gen500x3000_20|-r -d 1 -s 5 -q 450"
  "perfect-gen500x3000|gen500x3000_20|-p -s 5 -q 450"
  # Center mode at distance 2: the k-tuple lists it keeps while it walks
  # (unreduced they grew past 2 GB).
  "center-d2-gen5x1000|gen5x1000|-c -d 2 -s 5"
)
# The genome-count series, by CPU time: each step doubles the genomes.
series=(ref-d1-gen10x2000 ref-d1-gen20x2000 ref-d1-gen40x2000 ref-d1-gen80x2000)

# prepare <data folder>: makes the set once (generated: genXxY[_rate], rate
# the rearrangement events per 100 genes, default the generator's).
prepare() {
  local dir="$work/$1"
  [ -d "$dir" ] && return 0
  case $1 in
    real)
      mkdir -p "$dir"; cp "$root/examples/ncbi_cog5/genomes.txt" "$root/examples/ncbi_cog5/annotation.txt" "$dir/" ;;
    plasmids471)
      [ -d "$plasmids" ] || return 1
      mkdir -p "$dir"; cp "$plasmids"/* "$dir/" ;;
    gen*)
      local size=${1#gen} genomes genes rate=
      case $size in *_*) rate=${size#*_}; size=${size%_*} ;; esac
      genomes=${size%x*}; genes=${size#*x}
      # Center mode enumerates one candidate per genome exhaustively: its
      # sets are more divergent and small.
      case $1 in gen5x1000|gen7x1000) rate=20 ;; esac
      mkdir -p "$dir"; "$build/generate_genomes" "$dir" "$genomes" "$genes" 20261206 $rate >/dev/null ;;
  esac
}

declare -A cpu
printf '%-24s %10s %10s %12s %s\n' query wall_s cpu_s peak_MiB status
for entry in "${queries[@]}"; do
  IFS='|' read -r name data args <<<"$entry"
  if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then continue; fi
  if ! prepare "$data"; then
    printf '%-24s skipped: %s is absent\n' "$name" "$plasmids"; continue
  fi
  cd "$work/$data"
  set +e
  # a query that runs past the limit is stopped (status 124)
  /usr/bin/time -f '%e %U %S %M' -o "$work/time.txt" timeout "${BENCH_LIMIT:-900}" "$zub" genomes.txt $args </dev/null >"$work/out.txt" 2>"$work/err.txt"
  status=$?
  set -e
  # the last line holds "wall user system rss" (a failed command adds a line before it)
  read -r wall user sys rss < <(tail -n 1 "$work/time.txt")
  cpu[$name]=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
  printf '%-24s %10s %10s %12s %s\n' "$name" "$wall" "${cpu[$name]}" "$(awk -v r="$rss" 'BEGIN { printf "%.1f", r / 1024 }')" "$status"
done
# How the reference search grows with the genome count (CPU time).
if [ -n "${cpu[ref-d2-gen10x1000]:-}" ] && [ -n "${cpu[ref-d2-gen40x1000]:-}" ]; then
  awk -v a="${cpu[ref-d2-gen40x1000]}" -v b="${cpu[ref-d2-gen10x1000]}" \
    'BEGIN { printf "ratio cpu(ref-d2-gen40x1000)/cpu(ref-d2-gen10x1000): %.2f\n", (b > 0 ? a / b : 0) }'
fi
for ((k = 1; k < ${#series[@]}; ++k)); do
  a=${series[k - 1]} b=${series[k]}
  if [ -n "${cpu[$a]:-}" ] && [ -n "${cpu[$b]:-}" ]; then
    awk -v a="${cpu[$a]}" -v b="${cpu[$b]}" -v na="$a" -v nb="$b" \
      'BEGIN { printf "growth per doubling cpu(%s)/cpu(%s): %.2f\n", nb, na, (a > 0 ? b / a : 0) }'
  fi
done
