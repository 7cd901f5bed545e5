#!/usr/bin/env bash
# Draws the pictures of the settings menu kept under docs/: runs
# examples/07_menu_pictures.scn in the simulator (one SVG picture of the main
# page and of each of the ten settings pages, 1280 x 720) and turns them into
# docs/gallery/*.png with rsvg-convert; the light page is also the README's
# picture, docs/menu-lights.png.
#
# Needs: a built tavrel-sim (default build/release/sim/tavrel-sim, or the
# asan build's, or $TAVREL_SIM), rsvg-convert (librsvg2-bin) and the
# condensed face the pictures ask for font 4 (fonts-dejavu-extra).
# Usage: scripts/gallery.sh
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

fail() {
  echo "gallery: $*" >&2
  exit 1
}

sim="${TAVREL_SIM:-}"
if [[ -z $sim ]]; then
  for candidate in build/release/sim/tavrel-sim build/asan/sim/tavrel-sim build/dev/sim/tavrel-sim; do
    if [[ -x $candidate ]]; then
      sim="$root/$candidate"
      break
    fi
  done
fi
[[ -n $sim && -x $sim ]] || fail "no tavrel-sim: build one (cmake --preset release && cmake --build --preset release --target tavrel-sim)"
command -v rsvg-convert >/dev/null || fail "rsvg-convert is missing (install librsvg2-bin)"
fc-list ':family=DejaVu Sans Condensed' family | grep -q . ||
  fail "the condensed face is missing (install fonts-dejavu-extra): font 4 would be drawn too wide"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && "$sim" "$root/examples/07_menu_pictures.scn" >/dev/null) || fail "the scenario failed"

mkdir -p docs/gallery
rm -f docs/gallery/*.png
count=0
for svg in "$work"/*.svg; do
  rsvg-convert "$svg" -o "docs/gallery/$(basename "$svg" .svg).png"
  count=$((count + 1))
done
((count == 11)) || fail "expected 11 pictures (the main page and ten settings pages), got $count"
cp docs/gallery/04_lights.png docs/menu-lights.png
echo "gallery: $count pictures in docs/gallery/, docs/menu-lights.png"
