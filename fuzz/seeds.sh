#!/usr/bin/env bash
# Assembles the fuzz targets' seed corpora from the files themselves, so no
# seed is a stale copy: the shipped INI file (as it is and in Notepad's
# "Unicode", UTF-16LE with its byte-order mark), every example and test
# scenario, the hand-made INI seeds of fuzz/corpus/ (damaged files, odd
# encodings) that exist nowhere else, and flight recordings made now by this
# build's tavrel-sim from some test scenarios (whole, one cut short, an
# empty file).
# Usage: fuzz/seeds.sh SOURCE_ROOT OUT_DIR TAVREL_SIM   (run by the build: target tavrel_fuzz_seeds)
set -euo pipefail
root=$1
out=$2
sim=$3
rm -rf "$out/ini" "$out/scenario" "$out/recording"
mkdir -p "$out/ini" "$out/scenario" "$out/recording"
cp "$root"/fuzz/corpus/ini/* "$out/ini/"
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
for name in 01_startup_notice 15_unload_reload 16_controller 18_radio_loud 19_long_frames 25_exception_stops_plugin; do
  rm -rf "${run:?}"/*
  (cd "$run" && "$sim" "$root/tests/scenarios/$name.scn" >/dev/null)
  cp "$run/Tavrel.rec" "$out/recording/$name.rec"
done
whole="$out/recording/16_controller.rec"
head -c $(($(wc -c <"$whole") / 2)) "$whole" >"$out/recording/cut.rec"
: >"$out/recording/empty.rec"
cp "$root/dist/TavrelConfig.ini" "$out/ini/shipped.ini"
{ printf '\377\376'; iconv -f UTF-8 -t UTF-16LE "$root/dist/TavrelConfig.ini"; } > "$out/ini/shipped_utf16.ini"
cp "$root"/examples/*.scn "$out/scenario/"
for scenario in "$root"/tests/scenarios/*.scn; do
  cp "$scenario" "$out/scenario/test_$(basename "$scenario")"
done
