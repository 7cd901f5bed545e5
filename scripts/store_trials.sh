#!/usr/bin/env bash
# Counts what other programs and crashes do to the INI store's writes, on
# both hosts: the POSIX store natively (on this file system, and with the
# writers refused the exchange of two names, as a file system without it
# answers), then the Windows store under Wine. The program is
# bench/store/store_trials.cpp (its header says what each trial counts);
# this builds it (release and mingw presets) and runs it in a scratch folder.
#
#   scripts/store_trials.sh [TRIAL [N]]   no TRIAL: every trial, the counts
#                                         of the store's issue (about 10 min)
#
# Exit status 1 when a trial counted anything bad (a file that came back, a
# save or an update lost, a torn file, no file after a load, leftovers).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)
wine=$(command -v wine || command -v wine64 || echo /usr/lib/wine/wine64)

# shellcheck source=scripts/stale_toolchain.sh
source scripts/stale_toolchain.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs" --target tavrel_store_trials >/dev/null
forget_stale_mingw_configure
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j "$jobs" --target tavrel_store_trials >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-store-trials-XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
run() {  # title, command...
  local title=$1 started=$SECONDS
  shift
  echo "== $title"
  (cd "$work" && "$@") || status=1
  echo "   ($((SECONDS - started)) s)"
}
run "Linux, POSIX store (this file system exchanges names)" "$root/build/release/bench/tavrel_store_trials" "$@"
run "Linux, POSIX store, writers refused the exchange of names" \
  "$root/build/release/bench/tavrel_store_trials" --no-exchange "$@"
run "Wine, Windows store" env WINEDEBUG=-all "$wine" "$root/build/mingw/win/test/tavrel_store_trials.exe" "$@"
exit "$status"
