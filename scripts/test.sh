#!/usr/bin/env bash
# Sets up, builds and runs every test: once as a release build (which also
# runs the Java host harness), once under AddressSanitizer and
# UndefinedBehaviorSanitizer; then fuzzes the readers and the command-line
# parser for a fixed time (scripts/fuzz.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
source "$root/scripts/env.sh"
jobs=$(nproc)

for variant in release asan; do
  dir="$root/build-test-$variant"
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
  # The sanitized build is compiled without optimisation: quicker to build,
  # and its tests are small.
  [ "$variant" = asan ] && flags=(-DCMAKE_BUILD_TYPE=Debug -DTAMSU_SANITIZE=ON)
  echo "== $variant build"
  cmake -S "$root" -B "$dir" "${flags[@]}" >/dev/null
  cmake --build "$dir" -j"$jobs"
  if [ "$variant" = release ] && [ ! -e "$dir/libtamsu2.so" ]; then
    echo "error: the JNI library was not built (no JDK found?), so the Java host harness cannot run" >&2
    exit 1
  fi
  echo "== $variant tests"
  (cd "$dir" && ctest --output-on-failure -j"$jobs")
done

"$root/scripts/fuzz.sh"
