#!/usr/bin/env bash
# The whole route through the Snakemake workflow, from annotated genomes: four
# Chlamydia genomes (RefSeq GenBank, Prokka and Bakta GFF3, all gzip) ->
# zub families (MMseqs2) -> zub convert -> 3 shards -> merge -> plots and report. The
# merged stdout, stderr, output table and statistics file must equal those of
# the whole run on the genome list the workflow made.
#   local: snakemake runs the jobs itself (2 cores).
#   slurm: a single-node Slurm cluster of the test's own (tests/workflow/
#          slurmCluster.sh: munged, slurmctld, slurmd as root, on 127.0.0.1)
#          runs every job, submitted through the profile
#          workflow/profiles/slurm (plain sbatch, no accounting); the daemons
#          are stopped at the end.
# The families come from mmseqs easy-linclust (about 1 s; the default
# easy-cluster is tested in tests/inputs). Exit 77 (skipped) without snakemake or mmseqs, and for slurm without root
# or without Debian's munge and Slurm daemons.
# usage: runEndToEnd.sh <zub> <source dir> local|slurm
set -euo pipefail
zub=$(readlink -f "$1"); root=$(readlink -f "$2"); mode=$3
for tool in snakemake mmseqs; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/setup.sh installs it): skipped"; exit 77; }
done
if [ "$mode" = slurm ]; then
  for tool in munged slurmctld slurmd sbatch squeue scontrol; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed (Debian's munge and slurm-wlm; scripts/setup.sh installs them): skipped"; exit 77; }
  done
  [ "$(id -u)" -eq 0 ] || { echo "the test's Slurm daemons must start as root: skipped"; exit 77; }
fi
work=$(mktemp -d)
started=0
cleanup() {
  [ "$started" -eq 1 ] && slurm_stop
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/split/data" "$work/whole/results/genomes"
genomes=(A2497.gbff.gz RC-J_943.gbff.gz PROKKA_12132021.gff.gz GCF_002088315.gff3.gz)
for g in "${genomes[@]}"; do cp "$root/examples/chlamydia/$g" "$work/split/data/"; done
query="-r -d 1 -s 20"
{
  echo "annotations:"
  for g in "${genomes[@]}"; do echo "  - data/$g"; done
  cat <<CONFIG
families:
  identity: 0.5
  coverage: 0.8
  method: linclust
  threads: 2
query: "$query"
shards: 3
zub: $zub
results: results
plots:
  top: 3
mem_mb: 1000
runtime_minutes: 10
CONFIG
} >"$work/split/config.yaml"

flags=(--snakefile "$root/workflow/Snakefile" --directory "$work/split" --configfile "$work/split/config.yaml" --quiet)
start=$(date +%s)
if [ "$mode" = slurm ]; then
  source "$root/tests/workflow/slurmCluster.sh"
  started=1
  slurm_start "$work/cluster"
  echo "Slurm node $(hostname -s) up (SLURM_CONF=$SLURM_CONF)"
  # The documented command: the profile for a cluster without accounting.
  # Snakemake 7 polls the jobs' states every 10 s, every second with CI=true.
  CI=true timeout 400 snakemake --profile "$root/workflow/profiles/slurm" --jobs 4 --latency-wait 20 "${flags[@]}" </dev/null \
    >"$work/snakemake.log" 2>&1 || { echo "snakemake failed:"; tail -n 40 "$work/snakemake.log"; cat "$work"/split/slurm-logs/* 2>/dev/null | tail -n 40; exit 1; }
  jobs=$(ls "$work/split/slurm-logs" | wc -l)
  echo "Slurm ran $jobs jobs: $(ls "$work/split/slurm-logs" | sed 's/-[0-9]*\.out$//' | sort | uniq -c | xargs)"
  [ "$jobs" -eq 8 ] || { echo "expected 8 Slurm jobs (families, convert, 3 shards, merge, plots, report)"; exit 1; }
  completed=$(scontrol -o show job | grep -c 'JobState=COMPLETED' || true)
  [ "$completed" -eq 8 ] || { echo "Slurm lists $completed completed jobs, not 8:"; scontrol -o show job; exit 1; }
else
  timeout 400 snakemake --cores 2 "${flags[@]}" </dev/null >"$work/snakemake.log" 2>&1 \
    || { echo "snakemake failed:"; tail -n 40 "$work/snakemake.log"; exit 1; }
fi
echo "workflow ($mode) done in $(( $(date +%s) - start )) s"

split=$work/split/results
grep -q "converted 4 genomes" "$split/logs/convert.log" || { cat "$split/logs/convert.log"; exit 1; }
[ "$(wc -l <"$split/plots/index.txt")" -eq 3 ] || { echo "expected 3 plots:"; cat "$split/plots/index.txt"; exit 1; }
while read -r svg; do [ -s "$work/split/$svg" ] || { echo "missing plot $svg"; exit 1; }; done <"$split/plots/index.txt"
grep -q '<template id="svg-0">' "$split/report.html" || { echo "the report lacks the figure of cluster 0"; exit 1; }

# The whole run on the same genome list.
cp "$split/genomes/genomes.txt" "$split/genomes/annotation.txt" "$work/whole/results/genomes/"
(cd "$work/whole" && "$zub" results/genomes/genomes.txt $query -o results/clusters.out </dev/null \
  >results/run.stdout 2>results/run.stderr)
status=0
for file in run.stdout run.stderr clusters.out clusters.genFamStat; do
  cmp "$work/whole/results/$file" "$split/$file" || status=1
done
[ "$status" -eq 0 ] && echo "merged result of the $mode workflow identical to the whole run ($(($(wc -l <"$split/clusters.out") - 1)) occurrence rows)"
exit "$status"
