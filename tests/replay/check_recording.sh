#!/usr/bin/env bash
# A flight recording (Tavrel.rec) replayed (exit 0: every call as recorded),
# converted to a scenario, and that scenario run in a fresh directory of its
# own: it must run and every expect line hold. One line says so:
#   recording: replayed, converted, E of E expect lines held, N answers not rebuilt (NAME)
# (./run test adds these lines up), after the answers the converter could
# not rebuild, each with its frame.
# Usage: tests/replay/check_recording.sh TAVREL_SIM RECORDING NAME
set -euo pipefail
sim="$(realpath "$1")"
recording="$(realpath "$2")"
name="$3"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/converted"
status=0
"$sim" --replay "$recording" >"$dir/out" 2>"$dir/err" || status=$?
if ((status != 0)); then
  cat "$dir/err" >&2
  echo "$name: the replay of its recording exited with $status" >&2
  exit 1
fi
status=0
"$sim" --to-scenario "$recording" --out "$dir/converted.scn" 2>"$dir/err" || status=$?
if ((status != 0)); then
  cat "$dir/err" >&2
  echo "$name: the conversion of its recording exited with $status" >&2
  exit 1
fi
summary=$(tail -n 1 "$dir/err")
expects=$(sed -n 's/.* frames, \([0-9]*\) expect lines.*/\1/p' <<<"$summary")
not_rebuilt=$(sed -n 's/.*), \([0-9]*\) answers not rebuilt/\1/p' <<<"$summary")
if [[ -z $expects ]]; then
  cat "$dir/err" >&2
  echo "$name: the conversion printed no summary line" >&2
  exit 1
fi
status=0
(cd "$dir/converted" && "$sim" "$dir/converted.scn" >"$dir/out" 2>"$dir/err") || status=$?
failed=$(grep -c ': expected ' "$dir/err" || true)
if ((status != 0 && status != 3)); then
  cat "$dir/err" >&2
  echo "$name: the converted scenario exited with $status" >&2
  exit 1
fi
grep 'not rebuilt: \|leaves the recording' "$dir/converted.scn" | sed "s/^# /$name: /" || true
echo "recording: replayed, converted, $((expects - failed)) of $expects expect lines held, ${not_rebuilt:-0} answers not rebuilt ($name)"
if ((failed > 0)); then
  cat "$dir/err" >&2
  echo "$name: $failed expect lines of the converted scenario did not hold" >&2
  exit 1
fi
