#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each from its seed corpus with a
# fixed seed: the genome reader for the given number of seconds (24 by
# default), the command-line parser, the GFF3 reader, the family-table
# readers, the shard-result reader and the cluster-table reader of plot for a
# third as long each (the whole step, build included, stays within three
# minutes on two cores). Any finding (crash, sanitizer report, uncaught
# exception, leak, timeout, memory blow-up) fails the script; the input that
# caused it is left in build-fuzz/artifacts/.
# Usage: scripts/fuzz.sh [seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-24}
share=$(((seconds + 2) / 3))

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ not found, skipping the fuzz targets (scripts/setup.sh installs clang)"
  exit 0
fi
dir="$root/build-fuzz"
echo "== fuzz build"
cmake -S "$root" -B "$dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  -DTAMSU_FUZZ=ON -DTAMSU_TESTS=OFF >/dev/null
cmake --build "$dir" -j"$(nproc)" --target readerFuzz commandLineFuzz gffFuzz familyTableFuzz shardResultFuzz \
  clusterTableFuzz

# The reader targets write their files for every input: keep them in memory.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

# fuzz <target> <seconds> <dictionary> <max input length>
fuzz() {
  local target=$1 time=$2 dict=$3 maxLen=$4
  # New inputs go to a fresh folder; the seed corpus in the project is only read.
  local work="$dir/corpus/$target"
  rm -rf "$work"
  mkdir -p "$work" "$dir/artifacts"
  echo "== fuzzing $target for ${time}s"
  (cd "$dir" && "./$target" "$work" "$root/fuzz/corpus/$target" -seed=1 -max_total_time="$time" \
    -max_len="$maxLen" -dict="$root/fuzz/$dict" -timeout=20 -rss_limit_mb=2048 -close_fd_mask=1 \
    -print_final_stats=1 -artifact_prefix="$dir/artifacts/$target-") 2>&1 |
    # Progress is shown by the periodic lines; each new unit and the
    # recommended dictionary would only flood the log.
    sed -u -E '/^#[0-9]+[[:space:]]+(NEW|REDUCE) /d; /^[[:space:]]+NEW_FUNC/d; /Recommended dictionary/,/End of recommended dictionary/d'
}
fuzz readerFuzz "$seconds" reader.dict 4096
fuzz commandLineFuzz "$share" commandLine.dict 512
fuzz gffFuzz "$share" gff.dict 4096
fuzz familyTableFuzz "$share" familyTable.dict 4096
fuzz shardResultFuzz "$share" shardResult.dict 8192
fuzz clusterTableFuzz "$share" clusterTable.dict 8192
echo "== fuzzing found nothing"
