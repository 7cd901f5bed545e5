#!/usr/bin/env bash
# Assembles the fuzz targets' seed corpora from the files themselves, so no
# seed is a stale copy: the shipped INI file (as it is and in Notepad's
# "Unicode", UTF-16LE with its byte-order mark), every example and test
# scenario, and the hand-made seeds of fuzz/corpus/ (damaged files, odd
# encodings) that exist nowhere else.
# Usage: fuzz/seeds.sh SOURCE_ROOT OUT_DIR   (run by the build: target tavrel_fuzz_seeds)
set -euo pipefail
root=$1
out=$2
rm -rf "$out/ini" "$out/scenario"
mkdir -p "$out/ini" "$out/scenario"
cp "$root"/fuzz/corpus/ini/* "$out/ini/"
cp "$root/dist/TavrelConfig.ini" "$out/ini/shipped.ini"
{ printf '\377\376'; iconv -f UTF-8 -t UTF-16LE "$root/dist/TavrelConfig.ini"; } > "$out/ini/shipped_utf16.ini"
cp "$root"/examples/*.scn "$out/scenario/"
for scenario in "$root"/tests/scenarios/*.scn; do
  cp "$scenario" "$out/scenario/test_$(basename "$scenario")"
done
