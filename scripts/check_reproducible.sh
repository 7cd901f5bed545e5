#!/usr/bin/env bash
# Shows that the same sources give a byte-identical Tavrel.asi: builds it in a
# fresh build directory from a copy of the sources at another path (another
# length too), and compares its sha256 with a second build: the given mingw
# build directory's (./run test passes build/mingw, so only one extra build
# runs), or else another fresh build from the repository itself.
# Usage: scripts/check_reproducible.sh [MINGW_BUILD_DIR]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
reference="${1:-}"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A personal build's marks (scripts/dist.sh) are part of its bytes: the
# fresh build takes the reference's, so the two are built alike.
special=""
label=""
if [[ -n $reference && -f $reference/CMakeCache.txt ]]; then
  special="$(sed -n 's/^TAVREL_SPECIAL_BUILD:STRING=//p' "$reference/CMakeCache.txt")"
  label="$(sed -n 's/^TAVREL_VERSION_LABEL:STRING=//p' "$reference/CMakeCache.txt")"
fi

# Builds Tavrel.asi alone (Release, as the mingw preset) from `source` in `build`.
build_asi() {  # source, build
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$1/cmake/mingw-w64-x86_64.cmake" \
    -DTAVREL_SPECIAL_BUILD="$special" -DTAVREL_VERSION_LABEL="$label" \
    -DTAVREL_WIN_SIM=OFF -DTAVREL_WIN_CHECKS=OFF >"$2.log" 2>&1 &&
    cmake --build "$2" -j 2 --target tavrel_asi >>"$2.log" 2>&1 ||
    { cat "$2.log" >&2; echo "check_reproducible: the build in $2 failed" >&2; exit 1; }
}

# The sources as the repository has them now (committed or not, not ignored).
copy="$work/another/path/to/the/sources"
mkdir -p "$copy"
(cd "$root" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$copy" 2>/dev/null) ||
  { echo "check_reproducible: cannot copy the sources (is this a git checkout?)" >&2; exit 1; }

build_asi "$copy" "$work/first"
first="$work/first/win/Tavrel.asi"
if [[ -n $reference ]]; then
  second="$(cd "$reference" && pwd)/win/Tavrel.asi"
  [[ -f $second ]] || { echo "check_reproducible: $second is missing (build the mingw preset first)" >&2; exit 1; }
else
  build_asi "$root" "$work/b2"
  second="$work/b2/win/Tavrel.asi"
fi

sum_first="$(sha256sum "$first" | cut -d' ' -f1)"
sum_second="$(sha256sum "$second" | cut -d' ' -f1)"
echo "check_reproducible: $sum_first  Tavrel.asi built from $copy in $work/first"
echo "check_reproducible: $sum_second  $second"
if [[ $sum_first != "$sum_second" ]]; then
  echo "check_reproducible: the two builds differ:" >&2
  cmp -l "$first" "$second" | head -n 10 >&2 || true
  exit 1
fi
echo "check_reproducible: the two builds are byte for byte the same ($(stat -c %s "$first") bytes)"
