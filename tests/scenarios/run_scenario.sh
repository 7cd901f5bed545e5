#!/usr/bin/env bash
# Runs one scenario file with tavrel-sim as scripts/cross_check.sh does, in a
# fresh directory, and passes
# when it exits 0: a failed expect line (exit 3), a fault (1) or a scenario
# error (2) fails it, with tavrel-sim's messages shown.
#
# Then the flight recording the run left (Tavrel.rec, written when the run
# unloads the plug-in) is replayed, converted and the conversion run
# (tests/replay/check_recording.sh).
# Usage: tests/scenarios/run_scenario.sh TAVREL_SIM SCENARIO
set -euo pipefail
sim="$(realpath "$1")"
scenario="$(realpath "$2")"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
dir="$(mktemp -d)"
trap 'rm -rf "$dir" "$dir.out" "$dir.err"' EXIT
mkdir "$dir/run"
name=$(basename "$scenario")
status=0
(cd "$dir/run" && "$sim" "$scenario" >"$dir.out" 2>"$dir.err") || status=$?
cat "$dir.err" >&2
if ((status != 0)); then
  echo "$name: tavrel-sim exited with $status" >&2
  exit 1
fi
echo "$name: ran, every expect line held"

recording="$dir/run/Tavrel.rec"
if [[ ! -f $recording ]]; then
  echo "$name: the run left no Tavrel.rec" >&2
  exit 1
fi
bash "$root/tests/replay/check_recording.sh" "$sim" "$recording" "$name"
