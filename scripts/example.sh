#!/usr/bin/env bash
# Sets up, builds, and runs zub on the bundled example (five bacterial
# chromosomes) in a scratch folder; extra arguments replace the default query.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
source "$root/scripts/env.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release -DTAMSU_TESTS=OFF >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target zub >/dev/null
work=$(mktemp -d)
cp "$root/examples/ncbi_cog5/genomes.txt" "$root/examples/ncbi_cog5/annotation.txt" "$work/"
cd "$work"
if [ $# -eq 0 ]; then set -- -r -d 1 -s 5 -q 3; fi
echo "running: zub genomes.txt $* (in $work)"
# The reports (thousands of lines) go to run.log; the table gets the family
# names and groups; the HTML report shows every cluster with its figure.
"$root/build/zub" genomes.txt -o clusters.tsv --annotate "$@" --log run.log --progress=percent | tail -n 1
[ -f clusters.tsv ] && "$root/build/zub" report genomes.txt clusters.tsv -o report.html >/dev/null
echo "in $work: run.log (the reports), clusters.tsv (the clusters), report.html (open it in a browser)"
