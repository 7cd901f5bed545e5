#!/usr/bin/env bash
# Shows that writing the link map does not change Tavrel.asi: links the
# library twice from the mingw build's own objects with the build's own link
# command, once with -Map and once without, and compares the two files byte
# for byte. Both are linked without the PE time stamp (the one field that
# differs between any two links) and under the same output name as in the
# build (ld derives the image base from it).
# Usage: scripts/check_link_map.sh [MINGW_BUILD_DIR]   (default build/mingw)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$root/build/mingw}" && pwd)"

command="$(ninja -C "$build" -t commands win/Tavrel.asi | tail -n 1)"
command="${command#: && }"
command="${command% && :}"
if [[ $command != *" -Wl,-Map="* ]]; then
  echo "check_link_map: the build does not write a link map: $command" >&2
  exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Runs the build's link command in `dir`, where win/CMakeFiles, src and the
# script hook's import library lead to the build's own: the output is named
# exactly as in the build.
link() {  # dir, extra options
  local dir="$1"
  shift
  mkdir -p "$dir/win"
  ln -s "$build/win/CMakeFiles" "$dir/win/CMakeFiles"
  ln -s "$build/win/libScriptHookV.a" "$dir/win/libScriptHookV.a"
  ln -s "$build/src" "$dir/src"
  local cmd
  cmd="$(sed -E 's/ -Wl,-Map=[^ ]+//' <<<"$command") -Wl,--no-insert-timestamp $*"
  [[ -n ${TAVREL_CHECK_VERBOSE:-} ]] && echo "check_link_map: $cmd" >&2
  (cd "$dir" && eval "$cmd")
}

link "$work/plain"
link "$work/with_map" "-Wl,-Map=$work/with_map/win/Tavrel.map"

if [[ ! -s $work/with_map/win/Tavrel.map ]] || ! grep -q 'tavrel::settings\|_ZN6tavrel8settingsE' "$work/with_map/win/Tavrel.map"; then
  echo "check_link_map: the map does not name tavrel::settings" >&2
  exit 1
fi
if ! cmp "$work/plain/win/Tavrel.asi" "$work/with_map/win/Tavrel.asi"; then
  echo "check_link_map: Tavrel.asi differs when the link map is written" >&2
  exit 1
fi
echo "check_link_map: Tavrel.asi is the same with and without the link map ($(stat -c %s "$work/plain/win/Tavrel.asi") bytes)"
