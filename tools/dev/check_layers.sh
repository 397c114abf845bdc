#!/usr/bin/env bash
# Fails when a folder of the product includes a header of a higher layer.
# Ranks: platform 0, config 1, device 2, events 3, setup 4, plugin 5; a file
# may include its own folder's headers and those of lower ranks only.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

declare -A rank=([platform]=0 [config]=1 [device]=2 [events]=3 [setup]=4 [plugin]=5)
status=0
for folder in "${!rank[@]}"; do
  while IFS= read -r line; do
    file=${line%%:*}
    included=$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([a-z0-9_]*\)\/.*/\1/p' <<<"${line#*:}")
    [ -n "$included" ] && [ -n "${rank[$included]+set}" ] || continue
    if [ "${rank[$included]}" -gt "${rank[$folder]}" ]; then
      echo "layer violation: $file (${folder}, rank ${rank[$folder]}) includes ${line#*#include } (${included}, rank ${rank[$included]})"
      status=1
    fi
  done < <(grep -rn --include='*.h' --include='*.cpp' -H '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$folder" | sed 's/:[0-9]*:/:/')
done
if [ "$status" = 0 ]; then echo "layers: every include points to the same or a lower layer"; fi
exit "$status"
