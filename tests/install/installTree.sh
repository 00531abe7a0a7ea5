#!/usr/bin/env bash
# The installed library from outside the source tree: `cmake --install` of the
# build into a scratch prefix, then examples/library built as a CMake project
# of its own (find_package(tamsu), target tamsu::core) and with pkg-config
# (tamsu.pc), both run on the small data set; the installed zub runs too.
# usage: installTree.sh <build dir> <source dir> [extra compile/link flags]
set -euo pipefail
build=$(readlink -f "$1"); root=$(readlink -f "$2"); flags=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log"
for f in bin/zub include/tamsu/tamsu.h include/tamsu/types.h include/tamsu/tools.h; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; cat "$work/install.log"; exit 1; }
done
lib=$(find "$prefix" -name libtamsu_core.a)
config=$(find "$prefix" -name tamsuConfig.cmake)
pc=$(find "$prefix" -name tamsu.pc)
[ -n "$lib" ] && [ -n "$config" ] && [ -n "$pc" ] || { echo "library, CMake package or tamsu.pc missing"; exit 1; }
echo "installed: bin/zub ${lib#$prefix/} ${config#$prefix/} ${pc#$prefix/} include/tamsu/"

# The example sources only, copied away from the tree: nothing but the
# installed prefix can satisfy its includes and libraries.
cp "$root/examples/library/CMakeLists.txt" "$root/examples/library/clusters.cpp" "$work/"
data=$root/tests/data/small/genomes.txt
cmake -S "$work" -B "$work/build" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >"$work/configure.log" || { cat "$work/configure.log"; exit 1; }
cmake --build "$work/build" >"$work/build.log" || { cat "$work/build.log"; exit 1; }
"$work/build/clusters" "$data" >"$work/cmake.out"
grep -Eq '^[0-9.e+-]+: [0-9]+ [0-9]+ [0-9]+' "$work/cmake.out" || { echo "example (CMake) printed:"; cat "$work/cmake.out"; exit 1; }
echo "find_package(tamsu) example: $(wc -l <"$work/cmake.out") clusters"

# pkg-config, with the .pc file found through PKG_CONFIG_PATH only.
export PKG_CONFIG_PATH=$(dirname "$pc")
# shellcheck disable=SC2046,SC2086
c++ -std=c++20 $flags "$work/clusters.cpp" -o "$work/clusters-pc" $(pkg-config --cflags --libs tamsu)
"$work/clusters-pc" "$data" >"$work/pc.out"
cmp "$work/cmake.out" "$work/pc.out" || { echo "pkg-config build differs"; exit 1; }
echo "pkg-config example: same clusters (tamsu $(pkg-config --modversion tamsu))"

# The installed command line.
"$prefix/bin/zub" "$data" -r -d 1 -s 3 -o "$work/run.tsv" </dev/null >/dev/null 2>&1
[ -s "$work/run.tsv" ] || { echo "installed zub wrote no output"; exit 1; }
echo "installed zub runs"
