#!/usr/bin/env bash
# tavrel-sim.exe finds the plug-in by itself: a scenario runs from any working
# directory with no --plugin option, taking Tavrel.asi (and the Tavrel.map
# beside it) from beside the program first, else from the build tree's win/
# folder next to its sim/ folder. Also the load order of a game folder: the
# simulator's ScriptHookV.dll is the one Tavrel.asi imports.
# Usage: sim_folder_test.sh WINE tavrel-sim.exe ScriptHookV.dll Tavrel.asi Tavrel.map
set -euo pipefail

wine=$1 sim=$2 hook=$3 asi=$4 map=$5
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export WINEDEBUG=-all

failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# A layout like the build tree's: tree/sim/{tavrel-sim.exe,ScriptHookV.dll}
# and tree/win/; the scenario runs in a working directory elsewhere.
mkdir -p "$work/tree/sim" "$work/tree/win" "$work/run"
cp "$sim" "$hook" "$work/tree/sim/"
cat >"$work/run/lock.scn" <<'SCN'
# A car beside the player, locked with the hotkey.
player 0 0 0
vehicle 7 car 2 0 0
start
wait 1000
echo -- before the lock
state
tap L
wait 2000
echo -- after the lock
state
SCN

# Runs the scenario with the copied tavrel-sim.exe; output in $work/out, $work/err.
run() {
  local status=0
  (cd "$work/run" && "$wine" "$work/tree/sim/tavrel-sim.exe" lock.scn >"$work/out" 2>"$work/err") || status=$?
  echo "$status"
}

# The run locked the car: its lock state in the printed world went from
# unlocked (1) to another.
locked() {
  local before after
  before=$(sed -n '/^-- before the lock/{n;p}' "$work/out" | grep -o '"7":{"lock":[0-9]*' || true)
  after=$(sed -n '/^-- after the lock/{n;p}' "$work/out" | grep -o '"7":{"lock":[0-9]*' || true)
  [[ $before == '"7":{"lock":1' && -n $after && $after != "$before" ]]
}

# 1. Beside the program: found there, even with a broken plug-in in the tree.
cp "$asi" "$map" "$work/tree/sim/"
printf 'not a library' >"$work/tree/win/Tavrel.asi"
printf 'not a map' >"$work/tree/win/Tavrel.map"
status=$(run)
[[ $status == 0 ]] || fail "beside the program: exit $status: $(head -c 400 "$work/err")"
locked || fail "beside the program: the car was not locked: $(head -c 400 "$work/out")"

# 2. Not beside it: the build tree's is taken (here the broken one: it fails
# and says which file it tried).
rm "$work/tree/sim/Tavrel.asi" "$work/tree/sim/Tavrel.map"
status=$(run)
[[ $status != 0 ]] || fail "a broken plug-in in the build tree was not reported"
grep -q 'win.Tavrel' "$work/err" || fail "the error does not name the build tree's file: $(head -c 400 "$work/err")"

# 3. The build tree's, when it is the real one.
cp "$asi" "$map" "$work/tree/win/"
status=$(run)
[[ $status == 0 ]] || fail "from the build tree: exit $status: $(head -c 400 "$work/err")"
locked || fail "from the build tree: the car was not locked: $(head -c 400 "$work/out")"

# 3b. A runaway scenario under --wall-limit: stopped with exit 4 and the
# message, what it printed so far kept.
printf 'start\necho before the wait\nwait 4294967295\n' >"$work/run/runaway.scn"
status=0
(cd "$work/run" && "$wine" "$work/tree/sim/tavrel-sim.exe" --wall-limit 3 runaway.scn >"$work/out" 2>"$work/err") ||
  status=$?
[[ $status == 4 ]] || fail "--wall-limit: exit $status, expected 4: $(head -c 400 "$work/err")"
grep -q 'stopped at the wall-time limit of 3 s' "$work/err" || fail "--wall-limit: $(head -c 400 "$work/err")"
grep -q 'before the wait' "$work/out" || fail "--wall-limit lost the output: $(head -c 400 "$work/out")"

# 4. Neither: a clear message, exit 2.
rm "$work/tree/win/Tavrel.asi"
status=$(run)
[[ $status == 2 ]] || fail "without any Tavrel.asi: exit $status, expected 2"
grep -q 'no Tavrel.asi beside' "$work/err" || fail "without any Tavrel.asi: $(head -c 400 "$work/err")"

if ((failures > 0)); then
  exit 1
fi
echo "sim_folder: found beside the program, then in the build tree; a scenario ran from each; --wall-limit stops a runaway"
