#!/usr/bin/env bash
# A recording made by tavrel-sim, replayed by tavrel-sim-planted (the same
# plug-in with one line changed): the replay must stop at that call.
# Usage: planted_change.sh TAVREL_SIM TAVREL_SIM_PLANTED SCENARIO
set -uo pipefail
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
(cd "$dir" && "$1" "$3" >/dev/null) || { echo "the scenario did not run"; exit 1; }
"$2" --replay "$dir/Tavrel.rec" >/dev/null 2>"$dir/err"
echo "exit=$?"
cat "$dir/err"
