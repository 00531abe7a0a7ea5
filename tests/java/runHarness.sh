#!/usr/bin/env bash
# Runs the Java host harness against the JNI library: compiles the host
# classes, lets the C++ reference program write the genomes and its results,
# runs the harness in a JVM with JNI checking, and fails on any failed check
# or any JNI checking warning.
#
# Usage: runHarness.sh <javac> <java> <libDir> <jniReference> <genomeList>
#                      <workDir> <modes> [genesPerGenome] [chromosomesPerGenome]
set -uo pipefail
javac=$1 java=$2 libDir=$3 reference=$4 genomeList=$5 work=$6 modes=$7
genes=${8:-1500} pieces=${9:-2}
here=$(cd "$(dirname "$0")" && pwd)
# The run happens inside the work folder (the library writes its gene-family
# statistics into the working directory).
libDir=$(realpath "$libDir") reference=$(realpath "$reference") genomeList=$(realpath "$genomeList")
work=$(realpath -m "$work")

rm -rf "$work"
mkdir -p "$work/classes" "$work/out"
cd "$work"

if ! "$javac" -Xlint:all -d classes $(find "$here" -name '*.java'); then
  echo "0 passed, 1 failed"
  exit 1
fi

if ! "$reference" "$genomeList" "$genes" "$pieces" "$modes" "$here/queries.txt" out \
    >reference.log 2>&1; then
  tail -n 40 reference.log
  echo "reference program failed (log: $work/reference.log)"
  echo "0 passed, 1 failed"
  exit 1
fi

"$java" -Xcheck:jni -Djava.library.path="$libDir" -cp classes tamsu2harness.JniHarness \
  out/genomes.dat "$here/queries.txt" "$modes" out >harness.log 2>&1
status=$?

# What a host run writes on stderr around the search: the two set-up lines
# and the derived parameters, but never the output-name report of the
# command line.
logCheck() {  # <description> <grep-status wanted: 0 found, 1 absent> <grep args...>
  local what=$1 want=$2
  shift 2
  grep -qE "$@" harness.log
  if [ $? -eq "$want" ]; then echo "PASS log: $what"; logPassed=$((logPassed + 1));
  else echo "FAIL log: $what"; logFailed=$((logFailed + 1)); fi
}
logPassed=0 logFailed=0
if [ -n "$modes" ]; then
  logCheck '"params set" is reported' 0 '^params set$'
  logCheck '"derived params set" is reported' 0 '^derived params set$'
  logCheck 'the parameters are printed' 0 $'^\t\*\*\* Query parameters: \*\*\*$'
  logCheck 'no "outfile:" report of released parameters' 1 '^outfile: '
fi

grep -E '^(PASS|FAIL|  first difference|    (jni|c\+\+):|modes run)' harness.log
problems=$(grep -nE 'WARNING|FATAL ERROR' harness.log || true)
if [ -n "$problems" ]; then
  echo "JNI checking complained (log: $work/harness.log):"
  echo "$problems" | head -n 20
  status=1
fi
summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' harness.log | tail -n 1)
if [ -z "$summary" ]; then
  tail -n 40 harness.log
  echo "the JVM did not finish the harness (log: $work/harness.log)"
  echo "0 passed, 1 failed"
  exit 1
fi
passed=${summary%% passed*}
failed=${summary#*, }
failed=${failed%% failed}
passed=$((passed + logPassed)) failed=$((failed + logFailed))
# The JNI check counts as one more check of its own.
if [ -n "$problems" ]; then failed=$((failed + 1)); else passed=$((passed + 1)); fi
echo "$passed passed, $failed failed"
[ "$status" -eq 0 ] && [ "$failed" -eq 0 ]
