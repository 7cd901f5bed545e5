#!/usr/bin/env bash
# The plug-in's folders are layers, and includes point one way, from a layer
# to the same or a lower one:
#
#   host <- state <- config <- input <- effects <- locking <- menu <- shell
#
# host: the host ABI and typed native calls; state: the records every layer
# shares (RuntimeState, the halt); config: settings, load rules, the INI store;
# input: keyboard and controller; effects: operations on the tracked car;
# locking: the tick, lock and unlock, timers, characters, gesture; menu: the
# framework and its pages; shell: the entry and the two script loops.
#
# Prints FILE:LINE for every include in src/ that points up the order (or out
# of src/) and exits 1 if there is one.
# Usage: scripts/check_layers.sh [SOURCE_ROOT]   (default: this repository)
set -euo pipefail

root="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
layers=(host state config input effects locking menu shell)

rank_of() {  # layer name -> its position, or nothing
  local i
  for i in "${!layers[@]}"; do
    [[ ${layers[$i]} == "$1" ]] && { echo "$i"; return; }
  done
}

status=0
checked=0
while IFS= read -r file; do
  relative=${file#"$root"/}
  layer=${relative#src/}
  layer=${layer%%/*}
  own=$(rank_of "$layer")
  if [[ -z $own ]]; then
    echo "$relative: src/$layer is not a layer (${layers[*]})"
    status=1
    continue
  fi
  while IFS=: read -r line target; do
    checked=$((checked + 1))
    target_layer=${target%%/*}
    theirs=$(rank_of "$target_layer")
    if [[ -z $theirs ]]; then
      echo "$relative:$line: includes \"$target\", outside the plug-in's layers"
      status=1
    elif ((theirs > own)); then
      echo "$relative:$line: $layer includes \"$target\", but $target_layer is above $layer (${layers[*]})"
      status=1
    fi
  done < <(awk '/^[ \t]*#[ \t]*include[ \t]*"/ { split($0, part, "\""); print FNR ":" part[2] }' "$file")
done < <(find "$root/src" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.inc' \) | sort)

if ((status == 0)); then
  echo "check_layers: $checked includes in src/ point down the layers (${layers[*]})"
fi
exit "$status"
