#!/usr/bin/env bash
# Runs one scenario file with tavrel-sim as scripts/cross_check.sh does, in a
# fresh directory ("#@ file" copies, "#@ options" extra options), and passes
# when it exits 0: a failed expect line (exit 3), a fault (1) or a scenario
# error (2) fails it, with tavrel-sim's messages shown.
#
# Then the flight recording the run left (Tavrel.rec, written when the run
# unloads the plug-in) is replayed (exit 0: every call as recorded),
# converted to a scenario, and that scenario run in a fresh directory of its
# own: it must run, and the line below says how many of its expect lines
# held ("recording: replayed, converted, E of E expect lines held, N
# answers not rebuilt"; ./run test adds these lines up).
# Usage: tests/scenarios/run_scenario.sh TAVREL_SIM SCENARIO
set -euo pipefail
sim="$(realpath "$1")"
scenario="$(realpath "$2")"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
dir="$(mktemp -d)"
trap 'rm -rf "$dir" "$dir.out" "$dir.err"' EXIT
mkdir "$dir/run" "$dir/converted"
while read -r copy; do
  cp "$root/$copy" "$dir/run/"
done < <(sed -n 's/^#@ file //p' "$scenario")
read -r -a options <<<"$(sed -n 's/^#@ options //p' "$scenario" | tr '\n' ' ')"
name=$(basename "$scenario")
status=0
(cd "$dir/run" && "$sim" "${options[@]}" "$scenario" >"$dir.out" 2>"$dir.err") || status=$?
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
status=0
"$sim" --replay "$recording" >"$dir.out" 2>"$dir.err" || status=$?
if ((status != 0)); then
  cat "$dir.err" >&2
  echo "$name: the replay of its recording exited with $status" >&2
  exit 1
fi
status=0
"$sim" --to-scenario "$recording" --out "$dir/converted.scn" 2>"$dir.err" || status=$?
if ((status != 0)); then
  cat "$dir.err" >&2
  echo "$name: the conversion of its recording exited with $status" >&2
  exit 1
fi
summary=$(tail -n 1 "$dir.err")
expects=$(sed -n 's/.* frames, \([0-9]*\) expect lines.*/\1/p' <<<"$summary")
not_rebuilt=$(sed -n 's/.*), \([0-9]*\) answers not rebuilt/\1/p' <<<"$summary")
status=0
(cd "$dir/converted" && "$sim" "$dir/converted.scn" >"$dir.out" 2>"$dir.err") || status=$?
failed=$(grep -c ': expected ' "$dir.err" || true)
if ((status != 0 && status != 3)); then
  cat "$dir.err" >&2
  echo "$name: the converted scenario exited with $status" >&2
  exit 1
fi
grep 'not rebuilt' "$dir/converted.scn" | sed "s/^# /$name: /" || true
echo "recording: replayed, converted, $((expects - failed)) of $expects expect lines held, ${not_rebuilt:-0} answers not rebuilt ($name)"
if ((failed > 0)); then
  cat "$dir.err" >&2
  echo "$name: $failed expect lines of the converted scenario did not hold" >&2
  exit 1
fi
