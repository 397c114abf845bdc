#!/usr/bin/env bash
# Fails when a file includes a header it must not, one line per offence:
# - the product's folders rank platform 0, config 1, device 2, events 3,
#   setup 4, plugin 5: a folder includes its own headers and lower ranks'
#   only, and nothing of remote/, host/, tools/, tests/ or sim/;
# - nothing outside tests/ includes tests/;
# - host/ (the stand-in core) includes platform/, the record's layout and
#   the size of the code text it points to (config/code_text.h), the core's
#   facts (plugin/version_check.h, plugin/core_interface.h) and itself;
# - remote/ (the remote tool) includes config/, device/, events/, platform/,
#   saa_version.h and itself;
# - sim/ includes platform/, the driver's interface (device/vamp.h), the
#   text helpers (config/text.h) and itself.
# A folder that does not exist has nothing to check.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

declare -A rank=([platform]=0 [config]=1 [device]=2 [events]=3 [setup]=4 [plugin]=5)

# Sets why to the rule that a file in folder breaks by including header,
# empty when it may.
why=
judge() {  # folder, header
  local folder=$1 header=$2 top=${2%%/*}
  why=
  [ "$top" = "$header" ] && top=  # no folder: the generated saa_version.h
  if [ "$top" = tests ] && [ "$folder" != tests ]; then
    why="nothing outside tests/ includes tests/"
    return
  fi
  case $folder in
    platform | config | device | events | setup | plugin)
      case $top in
        remote | host | tools | tests | sim) why="the product ($folder/) includes nothing of $top/" ;;
        *)
          if [ -n "$top" ] && [ -n "${rank[$top]+set}" ] && [ "${rank[$top]}" -gt "${rank[$folder]}" ]; then
            why="$folder/ (rank ${rank[$folder]}) includes a higher layer, $top/ (rank ${rank[$top]})"
          fi ;;
      esac ;;
    host)
      case $header in
        platform/* | host/* | events/key_event_record.h | config/code_text.h | plugin/version_check.h | \
          plugin/core_interface.h) ;;
        *) why="host/ includes only platform/, events/key_event_record.h, config/code_text.h, plugin/version_check.h, plugin/core_interface.h and host/" ;;
      esac ;;
    remote)
      case $header in
        config/* | device/* | events/* | platform/* | remote/* | saa_version.h) ;;
        *) why="remote/ includes only config/, device/, events/, platform/, remote/ and saa_version.h" ;;
      esac ;;
    sim)
      case $header in
        platform/* | sim/* | device/vamp.h | config/text.h) ;;
        *) why="sim/ includes only platform/, device/vamp.h, config/text.h and sim/" ;;
      esac ;;
  esac
}

include='^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)"'
status=0
count=0
# Every source file of the tree, committed or not, but not what .gitignore
# leaves out (the build trees).
while IFS=: read -r file line text; do
  [[ $text =~ $include ]] || continue
  header=${BASH_REMATCH[1]}
  count=$((count + 1))
  judge "${file%%/*}" "$header"
  if [ -n "$why" ]; then
    echo "layer violation: $file:$line includes \"$header\": $why"
    status=1
  fi
done < <(git ls-files -z --cached --others --exclude-standard -- '*.h' '*.cpp' '*.inc' |
  xargs -0 -r grep -n -H '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' -- 2>/dev/null || true)
if [ "$status" = 0 ]; then
  echo "layers: all $count includes point where they may (product layers, tests/, host/, remote/, sim/)"
fi
exit "$status"
