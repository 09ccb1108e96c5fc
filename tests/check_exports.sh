#!/usr/bin/env bash
# The shared library exports exactly the names of its export list, and nothing else.
set -euo pipefail
lib=$1
map=$2
want=$(sed -n 's/^ *\([A-Za-z_][A-Za-z0-9_]*\);$/\1/p' "$map" | sort)
have=$(nm -D --defined-only "$lib" | awk '{print $3}' | grep -v '^$' | sort)
if [ "$want" != "$have" ]; then
  echo "exported symbols differ from $map:"
  diff <(echo "$want") <(echo "$have") || true
  exit 1
fi
echo "exports match: $(echo "$have" | wc -l) symbols"
