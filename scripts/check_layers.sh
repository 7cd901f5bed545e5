#!/usr/bin/env bash
# Folders are layers, and includes point one way: from a layer to itself or
# to one on its left.
#
# The plug-in, src/:
#   host <- state <- config <- input <- effects <- locking <- menu <- shell
# host: the host ABI and typed native calls; state: the records every layer
# shares (RuntimeState, the halt); config: settings, load rules, the INI store;
# input: keyboard and controller; effects: operations on the tracked car;
# locking: the tick, lock and unlock, timers, characters, gesture; menu: the
# framework and its pages; shell: the entry and the two script loops.
# Nothing in src/ includes anything outside these layers. Beyond the order,
# the menu's pages reach the car through effects/ and never include locking/
# (the lock sequence is the locking tick's alone).
# src/ has no platform code but src/host/posix/ (the file functions on POSIX
# systems; Windows' are in win/): no other file in src/ includes a system's
# own header (<unistd.h>, <sys/...>, <windows.h>, ...).
#
# The simulator, sim/ (it may use the plug-in's headers besides):
#   world <- protocol <- natives <- report <- scenario <- play <- replay <- cli <- windows
# (natives/ and report/ do not use each other; the order between them is
# only so that the list is one line.)
#
# Prints FILE:LINE for every include that points the wrong way and exits 1
# if there is one.
# Usage: scripts/check_layers.sh [SOURCE_ROOT]   (default: this repository)
set -euo pipefail

root="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
src_layers=(host state config input effects locking menu shell)
sim_rooms=(world protocol natives report scenario play replay cli windows)

rank_in() {  # name, list... -> the name's position in the list, or nothing
  local name=$1 i=0
  shift
  for layer in "$@"; do
    [[ $layer == "$name" ]] && { echo "$i"; return; }
    i=$((i + 1))
  done
}

# Pairs "LAYER TARGET": LAYER may not include TARGET even though TARGET is
# below it.
src_apart=("menu locking")

status=0
checked=0

# apart LAYER TARGET_LAYER APART...: true when the pair is one of APART.
apart() {
  local pair="$1 $2"
  shift 2
  for p in "$@"; do [[ $p == "$pair" ]] && return 0; done
  return 1
}

# check TREE PREFIX APART_NAME LAYER...: files under ROOT/TREE/<layer>/;
# includes of "PREFIX<layer>/..." are ranked; with an empty PREFIX every
# include must be one of the layers. APART_NAME names the array of pairs
# kept apart (see src_apart).
check() {
  local tree=$1 prefix=$2
  local -n kept_apart=$3
  shift 3
  local layers=("$@") file relative layer own line target target_layer theirs
  [[ -d $root/$tree ]] || return 0
  while IFS= read -r file; do
    relative=${file#"$root"/}
    layer=${relative#"$tree"/}
    [[ $layer == */* ]] || continue  # files beside the layers (CMake, README)
    layer=${layer%%/*}
    own=$(rank_in "$layer" "${layers[@]}")
    if [[ -z $own ]]; then
      echo "$relative: $tree/$layer is not one of the layers (${layers[*]})"
      status=1
      continue
    fi
    while IFS=: read -r line target; do
      checked=$((checked + 1))
      if [[ -n $prefix ]]; then
        [[ $target == "$prefix"* ]] || continue
        target_layer=${target#"$prefix"}
      else
        target_layer=$target
      fi
      target_layer=${target_layer%%/*}
      theirs=$(rank_in "$target_layer" "${layers[@]}")
      if [[ -z $theirs ]]; then
        echo "$relative:$line: includes \"$target\", outside the layers of $tree/ (${layers[*]})"
        status=1
      elif ((theirs > own)); then
        echo "$relative:$line: $layer includes \"$target\", but $target_layer is above $layer (${layers[*]})"
        status=1
      elif apart "$layer" "$target_layer" "${kept_apart[@]}"; then
        echo "$relative:$line: $layer includes \"$target\", but $layer never includes $target_layer"
        status=1
      fi
    done < <(awk '/^[ \t]*#[ \t]*include[ \t]*"/ { split($0, part, "\""); print FNR ":" part[2] }' "$file")
  done < <(find "$root/$tree" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.inc' \) | sort)
}

sim_apart=()
check src "" src_apart "${src_layers[@]}"
check sim "sim/" sim_apart "${sim_rooms[@]}"

platform_headers='^[[:space:]]*#[[:space:]]*include[[:space:]]*<(unistd|fcntl|dirent|signal|time|pthread|windows|io|sys/[a-z_]+)\.h>'
while IFS= read -r hit; do
  echo "${hit#"$root"/}: a system's own header outside src/host/posix/"
  status=1
done < <(find "$root/src" -path "$root/src/host/posix" -prune -o -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.inc' \) -print |
  sort | xargs grep -nE "$platform_headers" /dev/null || true)

if ((status == 0)); then
  echo "check_layers: $checked includes point one way (src: ${src_layers[*]}, menu never includes locking, platform headers only in host/posix; sim: ${sim_rooms[*]})"
fi
exit "$status"
