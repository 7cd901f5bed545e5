#!/usr/bin/env bash
# Runs every scenario twice and requires the same results: once in the Linux
# simulator (the plug-in linked in) and once in the Windows simulator under
# Wine, where ScriptHookV.dll is the simulator and the plug-in is the shipped
# dist/Tavrel.asi, unmodified, loaded as the game's script hook loads it.
#
# Each run starts in a fresh temporary directory holding the same files. The
# two runs must agree byte for byte on: standard output (state, settings,
# screen, echo), standard error, exit status, the --trace JSON lines, and
# every file left in the directory (the INI file, the plug-in's Tavrel.log and
# Tavrel.log.old, its flight recording Tavrel.rec, screenshots). Then three of
# the Linux runs' recordings are replayed and converted under Wine too.
#
# Scenarios: tests/scenarios/*.scn and examples/*.scn, or those given.
#
# Needs: the Linux tavrel-sim (default build/asan/sim/tavrel-sim, or
# $TAVREL_SIM_LINUX), the mingw build (build/mingw: sim/tavrel-sim.exe,
# sim/ScriptHookV.dll, win/Tavrel.asi and win/Tavrel.map), dist/Tavrel.asi
# from scripts/dist.sh (or $TAVREL_ASI: the same bytes as the build's), and
# Wine.
# Usage: scripts/cross_check.sh [SCENARIO...]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

linux_sim="${TAVREL_SIM_LINUX:-$root/build/asan/sim/tavrel-sim}"
mingw="${TAVREL_MINGW_BUILD:-$root/build/mingw}"
windows_sim="$mingw/sim/tavrel-sim.exe"
asi="$(realpath -m "${TAVREL_ASI:-$root/dist/Tavrel.asi}")"
link_map="$mingw/win/Tavrel.map"

fail() {
  echo "cross_check: $*" >&2
  exit 1
}

wine=""
for candidate in wine wine64 /usr/lib/wine/wine64; do
  if command -v "$candidate" >/dev/null 2>&1; then
    wine="$(command -v "$candidate")"
    break
  fi
done
[[ -n $wine ]] || fail "Wine is not installed (install wine64)"
for file in "$linux_sim" "$windows_sim" "$mingw/sim/ScriptHookV.dll" "$asi" "$link_map"; do
  [[ -f $file ]] || fail "$file is missing (build the asan preset and run scripts/dist.sh first)"
done
linux_sim="$(realpath "$linux_sim")"
windows_sim="$(realpath "$windows_sim")"
link_map="$(realpath "$link_map")"
# The map describes the library the build linked: the shipped file must be
# it, and writing the map must not have changed it.
cmp -s "$asi" "$mingw/win/Tavrel.asi" ||
  fail "$asi is not the library of $mingw (run scripts/dist.sh again)"
bash "$root/scripts/check_link_map.sh" "$mingw"

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko prompts in a new prefix

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# tavrel-sim of one side: the Linux build, or the Windows one under Wine
# with the shipped Tavrel.asi.
sim_on() {  # side, arguments...
  local side=$1
  shift
  if [[ $side == linux ]]; then
    "$linux_sim" "$@"
  else
    "$wine" "$windows_sim" --plugin "$asi" --plugin-map "$link_map" "$@"
  fi
}

# Runs one side in its own fresh directory. $1 side, $2 scenario, $3 name,
# then extra options for tavrel-sim.
run_side() {
  local side="$1" scenario="$2" name="$3"
  shift 3
  local dir="$work/$name/$side"
  local out="$work/$name/$side.out"
  mkdir -p "$dir" "$out"
  local status=0
  (cd "$dir" && sim_on "$side" --trace "$out/trace.jsonl" "$@" "$scenario" >"$out/stdout" 2>"$out/stderr") || status=$?
  echo "$status" >"$out/status"
}

# Compares the two sides of one scenario; prints what differs.
same_results() {
  local name="$1" ok=0 part
  for part in status stdout stderr trace.jsonl; do
    if ! cmp -s "$work/$name/linux.out/$part" "$work/$name/windows.out/$part"; then
      echo "  $part differs:"
      diff "$work/$name/linux.out/$part" "$work/$name/windows.out/$part" | head -n 12 | sed 's/^/    /'
      ok=1
    fi
  done
  if ! diff -r "$work/$name/linux" "$work/$name/windows" >"$work/$name/files.diff"; then
    echo "  files in the working directory differ:"
    head -n 12 "$work/$name/files.diff" | sed 's/^/    /'
    ok=1
  fi
  return $ok
}

check_scenario() {  # scenario, name
  run_side linux "$1" "$2"
  run_side windows "$1" "$2"
}

if (($# > 0)); then
  scenarios=("$@")
else
  scenarios=("$root"/tests/scenarios/*.scn "$root"/examples/*.scn)
fi

# A new Wine prefix is made by the first program that runs: not inside a
# timed or compared run.
sim_on windows - </dev/null >/dev/null 2>&1 || true

# The comparison must be able to fail: the same scenario with the Windows
# clock started one frame later has to differ (the colour changer's colours,
# every tick in the trace).
control="$root/tests/scenarios/09_colour_changer.scn"
if [[ -f $control ]]; then
  run_side linux "$control" control
  run_side windows "$control" control --start-tick 3600016
  # Both runs go to the end; the shifted one may miss the colours its expect
  # lines name (exit status 3), which is a difference too.
  for side in linux windows; do
    [[ $(cat "$work/control/$side.out/status") =~ ^[03]$ && -s $work/control/$side.out/trace.jsonl ]] ||
      fail "control: the $side run failed: $(head -c 300 "$work/control/$side.out/stderr")"
  done
  if same_results control >/dev/null; then
    fail "control: a run with another start tick was not told apart"
  fi
  echo "cross_check: control run with a shifted clock differs, as it must"
fi

start=$SECONDS
failed=()
for scenario in "${scenarios[@]}"; do
  scenario="$(cd "$(dirname "$scenario")" && pwd)/$(basename "$scenario")"
  name="$(basename "$(dirname "$scenario")")_$(basename "$scenario" .scn)"
  check_scenario "$scenario" "$name"
  calls=$(grep -c '"hash":' "$work/$name/linux.out/trace.jsonl" || true)  # keyboard lines have none
  status=$(cat "$work/$name/linux.out/status")
  if ! report="$(same_results "$name")"; then
    echo "DIFFERENT $name"
    echo "$report"
    failed+=("$name")
  elif [[ $status != 0 || $calls == 0 ]]; then
    echo "FAILED    $name: exit status $status, $calls native calls (a scenario here must run)"
    sed 's/^/    /' "$work/$name/linux.out/stderr" | head -n 5
    failed+=("$name")
  else
    echo "same      $name ($calls native calls, $(wc -l <"$work/$name/linux.out/stdout") output lines)"
  fi
done

echo "cross_check: ${#scenarios[@]} scenarios in $((SECONDS - start)) s, ${#failed[@]} different or failed"

# A sample of the flight recordings the Linux runs left (Tavrel.rec, the same
# bytes as the Windows runs': compared above with the other files), replayed
# and converted by the Windows simulator with the shipped Tavrel.asi: a
# recording made on one host replays on the other, with the same printed
# state and the same converted scenario.
replays=0
for name in scenarios_02_unlock_on_foot_fob scenarios_10_menu_change_value scenarios_24_car_choice_and_markers; do
  [[ -d $work/$name ]] || continue  # not among the scenarios run
  recording="$work/$name/linux/Tavrel.rec"
  if [[ ! -f $recording ]]; then
    echo "REPLAY    $name: the run left no Tavrel.rec"
    failed+=("$name (replay)")
    continue
  fi
  replays=$((replays + 1))
  out="$work/$name/replay"
  mkdir -p "$out"
  for side in linux windows; do
    status=0
    sim_on "$side" --replay "$recording" >"$out/$side.state" 2>"$out/$side.err" || status=$?
    sim_on "$side" --to-scenario "$recording" --out "$out/$side.scn" 2>>"$out/$side.err" || status=$((status + 100))
    echo "$status" >"$out/$side.status"
  done
  # The converted scenario, run under Wine with the shipped Tavrel.asi in a
  # folder of its own: every expect line holds there too.
  status=0
  mkdir -p "$out/converted"
  (cd "$out/converted" && sim_on windows "$out/windows.scn" >"$out/converted.out" 2>"$out/converted.err") || status=$?
  echo "$status" >"$out/converted.status"
  if [[ $(cat "$out/linux.status") != 0 || $(cat "$out/windows.status") != 0 || $(cat "$out/converted.status") != 0 ]] ||
    ! cmp -s "$out/linux.state" "$out/windows.state" || ! cmp -s "$out/linux.scn" "$out/windows.scn"; then
    echo "REPLAY    $name: the recording's replay or conversion differs between the hosts"
    head -n 5 "$out/linux.err" "$out/windows.err" "$out/converted.err" | sed 's/^/    /'
    failed+=("$name (replay)")
  else
    echo "replayed  $name: its recording, under Wine with the shipped Tavrel.asi: the same state and converted scenario, which runs there with every expect holding"
  fi
done
echo "cross_check: $replays recordings made on Linux replayed, converted and the conversions run under Wine"
((${#failed[@]} == 0)) || exit 1
