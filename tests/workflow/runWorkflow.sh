#!/usr/bin/env bash
# The Snakemake workflow on the bundled example, 3 shards on 2 cores: its
# merged stdout, stderr, output table and statistics file must equal those of
# the whole run of the same query. Exit 77 (skipped) without snakemake.
# usage: runWorkflow.sh <zub> <source dir>
set -euo pipefail
zub=$(readlink -f "$1"); root=$(readlink -f "$2")
command -v snakemake >/dev/null || { echo "snakemake is not installed: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
query="-r -d 1 -s 5 -q 3"
for side in split whole; do
  mkdir -p "$work/$side/data" "$work/$side/results"
  cp "$root/examples/ncbi_cog5/genomes.txt" "$root/examples/ncbi_cog5/annotation.txt" "$work/$side/data/"
done
cat >"$work/split/config.yaml" <<CONFIG
genomes: data/genomes.txt
query: "$query"
shards: 3
zub: $zub
results: results
CONFIG
snakemake --cores 2 --snakefile "$root/workflow/Snakefile" --directory "$work/split" \
  --configfile "$work/split/config.yaml" --quiet </dev/null
(cd "$work/whole" && "$zub" data/genomes.txt $query -o results/clusters.out </dev/null >results/run.stdout 2>results/run.stderr)
status=0
for file in run.stdout run.stderr clusters.out clusters.genFamStat; do
  cmp "$work/whole/results/$file" "$work/split/results/$file" || status=1
done
[ "$status" -eq 0 ] && echo "workflow result identical to the whole run"
exit "$status"
