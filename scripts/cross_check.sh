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
# Tavrel.log.old, screenshots).
#
# Scenarios: tests/scenarios/*.scn and examples/*.scn, or those given. A
# scenario may begin with "#@ options ..." (extra command-line options) and
# "#@ file PATH" (a file from the repository copied into the directory).
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

# Runs one side in its own fresh directory. $1 side, $2 scenario, $3 name,
# then the scenario's extra options.
run_side() {
  local side="$1" scenario="$2" name="$3"
  shift 3
  local dir="$work/$name/$side"
  local out="$work/$name/$side.out"
  mkdir -p "$dir" "$out"
  local copy
  while read -r copy; do
    cp "$root/$copy" "$dir/"
  done < <(sed -n 's/^#@ file //p' "$scenario")
  local status=0
  if [[ $side == linux ]]; then
    (cd "$dir" && "$linux_sim" --trace "$out/trace.jsonl" "$@" "$scenario" >"$out/stdout" 2>"$out/stderr") || status=$?
  else
    (cd "$dir" && "$wine" "$windows_sim" --plugin "$asi" --plugin-map "$link_map" \
      --trace "$out/trace.jsonl" "$@" "$scenario" >"$out/stdout" 2>"$out/stderr") || status=$?
  fi
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

check_scenario() {
  local scenario="$1" name="$2"
  shift 2
  run_side linux "$scenario" "$name" "$@"
  run_side windows "$scenario" "$name" "$@"
}

if (($# > 0)); then
  scenarios=("$@")
else
  scenarios=("$root"/tests/scenarios/*.scn "$root"/examples/*.scn)
fi

# A new Wine prefix is made by the first program that runs: not inside a
# timed or compared run.
"$wine" "$windows_sim" --plugin "$asi" --plugin-map "$link_map" - </dev/null >/dev/null 2>&1 || true

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
  read -r -a options <<<"$(sed -n 's/^#@ options //p' "$scenario" | tr '\n' ' ')"
  check_scenario "$scenario" "$name" "${options[@]}"
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
((${#failed[@]} == 0)) || exit 1
