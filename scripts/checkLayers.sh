#!/usr/bin/env bash
# Checks that includes between the source folders point one way: every folder
# includes only folders below it in this order (front ends on top, the public
# vocabulary include/tamsu at the bottom).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
layers=(cli jni api report explain plot convert driver statistics results filters refclusters median center walk occurrences index genomes params util tamsu)
rank() { local i; for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }; done; echo -1; }
bad=0
cd "$root"
for file in $(git ls-files 'src/*.cpp' 'src/*.h' 'include/*.h' 2>/dev/null || find src include -name '*.[ch]*'); do
  from=$(echo "$file" | cut -d/ -f2)
  for to in $(grep -o '#include "[a-z]*/' "$file" | sed 's/#include "//; s#/##' | sort -u); do
    [ "$to" = "$from" ] && continue
    if [ "$(rank "$from")" -lt 0 ] || [ "$(rank "$to")" -lt 0 ] || [ "$(rank "$to")" -le "$(rank "$from")" ]; then
      echo "layering: $file ($from) includes $to"; bad=1
    fi
  done
done
[ "$bad" -eq 0 ] && echo "layers ok: ${layers[*]}"
exit "$bad"
