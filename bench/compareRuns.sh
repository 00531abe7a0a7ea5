#!/usr/bin/env bash
# Compares whole runs of two zub binaries (stdout, stderr, exit status and
# every file the run writes) on the small test data, the bundled example and,
# optionally, generated sets: the check that a change of structure or speed
# left every output byte-identical.
# usage: bench/compareRuns.sh <old zub> <new zub> [generated]   (generated: also sets of the benchmarks' generator)
# COMPARE_IGNORE=<glob> leaves files of that name out (for example '*.out'
# when comparing with a build that wrote no output table).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
old=$(readlink -f "$1"); new=$(readlink -f "$2"); generated=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
same=0 differ=0

# run <label> <data folder> <genome list name> <args...>: runs both binaries in
# fresh copies of the data folder and compares everything they leave.
run() {
  local label=$1 data=$2 list=$3; shift 3
  for side in old new; do
    rm -rf "$work/$side"; mkdir -p "$work/$side"; cp "$data"/* "$work/$side/"
    local bin=$old; [ "$side" = new ] && bin=$new
    (cd "$work/$side" && "$bin" "$list" "$@" </dev/null >stdout.txt 2>stderr.txt; echo "exit $?" >status.txt)
  done
  if diff -r ${COMPARE_IGNORE:+-x "$COMPARE_IGNORE"} "$work/old" "$work/new" >"$work/diff.txt"; then
    same=$((same + 1))
  else
    differ=$((differ + 1)); echo "DIFFERS: $label ($list $*)"; cut -c1-200 "$work/diff.txt" | head -n 12
  fi
}

small=$root/tests/data/small
# The last three: deltas far beyond every distance of the small set (its
# tables stop at the distance bound).
for q in "-r -d 1 -s 3" "-r -d 2 -s 3 -q 2" "-p -s 2 -q 2" "-p --refType=genome -s 2" "-m -d 2 -s 3" \
         "-m -d 2 -s 3 -q 2 --qType=proportionateCost" "-c -d 1 -s 3 -q 2" "-c -d 1 -s 3" "-r -d 1 -s 3 -noNUM" \
         "-m -d 1 -s 2 -q 3" "-r --refType=genome -d 2 -s 2" \
         "-m -d 1000 -s 3 -q 2 --qType=proportionateCost" "-c -d 300 -s 3 -q 2" "-r -d 1000 -s 3"; do
  run "small" "$small" genomes.txt $q
done
run "small fixed gene set" "$small" queryList.txt --refType=cluster -d 1
run "small bad option" "$small" genomes.txt -r -d 1 -x
ex=$root/examples/ncbi_cog5
for q in "-r -d 1 -s 5 -q 3" "-r --refType=genome -d 1 -s 5 -q 3" "-p -s 3 -q 3" "-p --refType=genome -s 3" \
         "-m -d 1 -s 5 -q 3" "-m -d 1 -s 5" "-c -d 1 -s 5 -q 3"; do
  run "example" "$ex" genomes.txt $q
done
if [ -n "$generated" ]; then
  gen=$(dirname "$new")/generate_genomes
  # As the benchmarks make them; center mode only on the small set (its work
  # grows steeply with the genome count).
  for size in "10 1000" "5 1000 20"; do
    set -- $size
    dir="$work/gen$1x$2"; mkdir -p "$dir"; "$gen" "$dir" "$1" "$2" 20261206 ${3:-} >/dev/null
    q=$(( $1 * 3 / 4 ))
    queries=("-r -d 2 -s 5 -q $q" "-p -s 5 -q $q" "-r --refType=genome -d 2 -s 5" "-p --refType=genome -s 5" "-m -d 2 -s 5")
    [ "$1" -le 5 ] && queries+=("-c -d 1 -s 5 -q $q")
    for args in "${queries[@]}"; do
      run "generated $1x$2" "$dir" genomes.txt $args
    done
  done
fi
echo "$same same, $differ differ"
[ "$differ" -eq 0 ]
