#!/usr/bin/env bash
# Runs one scenario file with tavrel-sim as scripts/cross_check.sh does, in a
# fresh directory ("#@ file" copies, "#@ options" extra options), and passes
# when it exits 0: a failed expect line (exit 3), a fault (1) or a scenario
# error (2) fails it, with tavrel-sim's messages shown.
# Usage: tests/scenarios/run_scenario.sh TAVREL_SIM SCENARIO
set -euo pipefail
sim="$(realpath "$1")"
scenario="$(realpath "$2")"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
while read -r copy; do
  cp "$root/$copy" "$dir/"
done < <(sed -n 's/^#@ file //p' "$scenario")
read -r -a options <<<"$(sed -n 's/^#@ options //p' "$scenario" | tr '\n' ' ')"
status=0
(cd "$dir" && "$sim" "${options[@]}" "$scenario" >"$dir.out" 2>"$dir.err") || status=$?
cat "$dir.err" >&2
rm -f "$dir.out" "$dir.err"
if ((status != 0)); then
  echo "$(basename "$scenario"): tavrel-sim exited with $status" >&2
  exit 1
fi
echo "$(basename "$scenario"): ran, every expect line held"
