#!/usr/bin/env bash
# Builds Tavrel.asi with mingw-w64 and stages the player package in dist/:
#   dist/Tavrel.asi  dist/TavrelConfig.ini  dist/INSTALL.txt
#   dist/Tavrel.map        the link map, for reading crash addresses (not for players)
#   dist/Tavrel-2.2.zip    the player's download: the .asi, the INI file, the install text
# Fails if the library would need any DLL besides a plain Windows install's
# and the script hook's own ScriptHookV.dll (a C++ runtime, libgcc,
# winpthreads), if it does not import the script hook, if its version
# resource is missing, if its checks fail under Wine, or if the INI file
# does not load as written (every setting present, no value the plug-in
# would correct: tavrel-sim --check-ini) or lacks its CRLF line ends.
# INSTALL.txt's list of default keys is written from the INI file
# (scripts/install_text.py), whatever its defaults are.
#
# Personal builds: when the working tree differs from its commit (a changed
# default, a local fix), the build says so: the version resource carries a
# special-build text naming the commit and the changed files and shows the
# version as 2.2-personal-COMMIT, and the zip is Tavrel-2.2-personal-COMMIT.zip,
# dated now; never the plain release's name.
#
# Reproducible: the same commit gives the same Tavrel.asi (no time stamp in
# the image, no build path in it) and the same zip (every file dated
# SOURCE_DATE_EPOCH, by default the commit's time; no extra attributes).
# Usage: scripts/dist.sh   (from any directory; the toolchain must be installed)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

objdump=x86_64-w64-mingw32-objdump
strings_tool=x86_64-w64-mingw32-strings
for tool in cmake ninja x86_64-w64-mingw32-g++-win32 x86_64-w64-mingw32-dlltool "$objdump" "$strings_tool" zip; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "dist: $tool not found (install the mingw-w64 toolchain and zip first)" >&2
    exit 1
  fi
done

# A personal build: sources that differ from their commit (or no commit).
label=""
special=""
commit="$(git -C "$root" rev-parse --short=8 HEAD 2>/dev/null || true)"
if [[ -z $commit ]]; then
  label="personal"
  special="Personal build: not built from a git checkout, so not the release"
else
  mapfile -t changed < <(git -C "$root" status --porcelain --untracked-files=normal | cut -c4- | sed 's/.* -> //')
  if ((${#changed[@]} > 0)); then
    label="personal-$commit"
    named=$(printf '%s, ' "${changed[@]:0:4}")
    named=${named%, }
    ((${#changed[@]} > 4)) && named="$named and $((${#changed[@]} - 4)) more"
    special="Personal build from commit $commit with changes: $named"
  fi
fi
if [[ -n $label ]]; then
  echo "dist: the working tree differs from commit ${commit:-(none)}: a personal build, not the release"
  printf 'dist:   %s\n' "${changed[@]:0:20}"
  # Dated now, so that it does not pass for the release either.
  SOURCE_DATE_EPOCH=$(date +%s)
fi

if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
  SOURCE_DATE_EPOCH="$(git -C "$root" log -1 --format=%ct 2>/dev/null || true)"
  [[ -n $SOURCE_DATE_EPOCH ]] || SOURCE_DATE_EPOCH=315532800  # 1980-01-01, the zip format's first day
fi
export SOURCE_DATE_EPOCH

version="$(sed -n 's/^project(Tavrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
[[ -n $version ]] || { echo "dist: no project version in CMakeLists.txt" >&2; exit 1; }
shown_version="$version${label:+-$label}"

# The INI file players get: CRLF line ends (Notepad on older Windows shows a
# file without them as one line), and INSTALL.txt's key list from it.
if awk 'BEGIN { RS = "\n" } !/\r$/ { bad = NR; exit } END { exit bad > 0 }' dist/TavrelConfig.ini; then
  :
else
  echo "dist: dist/TavrelConfig.ini has a line without CRLF (line $(awk 'BEGIN { RS = "\n" } !/\r$/ { print NR; exit }' dist/TavrelConfig.ini))" >&2
  exit 1
fi
python3 scripts/install_text.py

# shellcheck source=scripts/stale_toolchain.sh
source scripts/stale_toolchain.sh
forget_stale_mingw_configure
cmake --preset mingw -DTAVREL_SPECIAL_BUILD="$special" -DTAVREL_VERSION_LABEL="${label:+$shown_version}"
cmake --build --preset mingw

built=build/mingw/win/Tavrel.asi
link_map=build/mingw/win/Tavrel.map
for file in "$built" "$link_map"; do
  if [[ ! -f $file ]]; then
    echo "dist: $file was not produced by the build" >&2
    exit 1
  fi
done

headers="$("$objdump" -p "$built")"
if ! grep -q 'file format pei-x86-64' <<<"$headers"; then
  echo "dist: $built is not a 64-bit Windows image" >&2
  exit 1
fi
if ! awk '/^Characteristics/{on=1} on && /DLL/{found=1} /^$/{on=0} END{exit !found}' <<<"$headers"; then
  echo "dist: $built is not marked as a DLL" >&2
  exit 1
fi
if ! grep -Eq '^Time/Date[[:space:]]+Thu Jan  1 00:00:00 1970' <<<"$headers"; then
  echo "dist: $built carries a link time stamp (the build is not reproducible)" >&2
  exit 1
fi

# Only DLLs that ship with Windows itself, and the script hook. The script
# hook is imported, so the loader brings it in with Tavrel.asi.
mapfile -t imports < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr -d '\r')
system_dll='^(kernel32|user32|advapi32|gdi32|shell32|ole32|ntdll|msvcrt|ucrtbase|bcrypt|api-ms-win-[a-z0-9-]+)\.dll$'
foreign=()
hook_imported=0
for dll in "${imports[@]}"; do
  if [[ $dll == ScriptHookV.dll ]]; then
    hook_imported=1
  elif ! grep -qiE "$system_dll" <<<"$dll"; then
    foreign+=("$dll")
  fi
done
echo "dist: Tavrel.asi imports: ${imports[*]:-(none)}"
# The functions it takes from each DLL: the script hook's by name.
awk '/DLL Name:/ {dll = $3; next}
     /^$/ {dll = ""}
     dll != "" && NF >= 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {
       if (dll == "ScriptHookV.dll") print "dist:   ScriptHookV.dll " $3; else count[dll]++
     }
     END {for (d in count) print "dist:   " d ": " count[d] " functions"}' <<<"$headers"
if ((${#foreign[@]} > 0)); then
  echo "dist: Tavrel.asi depends on non-system DLLs: ${foreign[*]}" >&2
  echo "dist: they would be missing on a player's machine; link them statically (win/CMakeLists.txt)" >&2
  exit 1
fi
if ((hook_imported == 0)); then
  echo "dist: Tavrel.asi does not import ScriptHookV.dll: loaded before the script hook it would do nothing" >&2
  exit 1
fi
hook_functions=$(awk '/DLL Name:/ {on = ($3 == "ScriptHookV.dll"); next} on && /[?][a-zA-Z0-9]+@@/ {n++} END {print n + 0}' <<<"$headers")
if ((hook_functions != 11)); then
  echo "dist: Tavrel.asi imports $hook_functions script hook functions, expected 11" >&2
  exit 1
fi

# The version resource Explorer shows (Properties, Details).
resource_strings="$("$strings_tool" -el -n 3 "$built")"
for pair in "ProductName Tavrel" "FileVersion $shown_version" "ProductVersion $shown_version" \
            ${special:+"SpecialBuild $special"}; do
  if ! grep -A1 -x "${pair%% *}" <<<"$resource_strings" | grep -qxF "${pair#* }"; then
    echo "dist: the version resource lacks ${pair%% *} = ${pair#* }" >&2
    exit 1
  fi
done
if [[ -z $special ]] && grep -qx SpecialBuild <<<"$resource_strings"; then
  echo "dist: the release build carries a SpecialBuild text (a stale TAVREL_SPECIAL_BUILD?)" >&2
  exit 1
fi
echo "dist: version resource: ProductName Tavrel, FileVersion $shown_version${special:+, SpecialBuild $special}"

# Load the library as the game would, next to a stand-in script hook, and
# check the file store, under Wine (when installed; the build registers the
# checks only then).
if ctest --test-dir build/mingw/win -N 2>/dev/null | grep -q 'Total Tests: [1-9]'; then
  WINEDEBUG=-all ctest --test-dir build/mingw/win --output-on-failure
else
  echo "dist: Wine is not installed: Tavrel.asi was not loaded and checked (install wine64 to run the checks)"
fi

# The INI file loads as written: every setting there, each held by the
# plug-in as the file has it (no load rule or menu clamp corrects it).
wine=$(command -v wine || command -v wine64 || ls /usr/lib/wine/wine64 2>/dev/null || true)
if [[ -n $wine ]]; then
  (cd dist && WINEDEBUG=-all "$wine" ../build/mingw/sim/tavrel-sim.exe --check-ini TavrelConfig.ini) ||
    { echo "dist: dist/TavrelConfig.ini does not load as written (above)" >&2; exit 1; }
else
  echo "dist: Wine is not installed: dist/TavrelConfig.ini was not loaded by the plug-in (install wine64)"
fi

mkdir -p dist
cp "$built" dist/Tavrel.asi
cp "$link_map" dist/Tavrel.map

missing=0
for file in dist/Tavrel.asi dist/TavrelConfig.ini dist/INSTALL.txt; do
  if [[ ! -f $file ]]; then
    echo "dist: $file is missing from the package" >&2
    missing=1
  fi
done
((missing == 0)) || exit 1

# The player's zip: the three files at its top level, dated SOURCE_DATE_EPOCH,
# in a fixed order, without extra attributes (-X) or directory entries (-D).
zip_name="Tavrel-$shown_version.zip"
staging="$(mktemp -d)"
trap 'rm -rf "$staging"' EXIT
for file in Tavrel.asi TavrelConfig.ini INSTALL.txt; do
  cp "dist/$file" "$staging/$file"
  chmod 0644 "$staging/$file"
  touch -d "@$SOURCE_DATE_EPOCH" "$staging/$file"
done
rm -f dist/Tavrel-*.zip
(cd "$staging" && TZ=UTC zip -q -X -D "$root/dist/$zip_name" Tavrel.asi TavrelConfig.ini INSTALL.txt)

echo "dist: package staged in $root/dist:"
ls -l dist/Tavrel.asi dist/Tavrel.map dist/TavrelConfig.ini dist/INSTALL.txt "dist/$zip_name"
echo "dist: sha256 $(sha256sum dist/Tavrel.asi | cut -d' ' -f1)  Tavrel.asi"
echo "dist: sha256 $(sha256sum "dist/$zip_name" | cut -d' ' -f1)  $zip_name"
if [[ -n $label ]]; then
  echo "dist: a personal build ($shown_version): the tests that pin the official defaults may fail on it (README, \"Personal builds\")"
fi
