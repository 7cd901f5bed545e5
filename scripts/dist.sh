#!/usr/bin/env bash
# Builds Tavrel.asi with mingw-w64 and stages the player package in dist/:
#   dist/Tavrel.asi  dist/TavrelConfig.ini  dist/INSTALL.txt
# Fails if the library would need any DLL that a plain Windows install does
# not have (a C++ runtime, libgcc, winpthreads, the script hook itself), or
# if its checks fail under Wine.
# Usage: scripts/dist.sh   (from any directory; the toolchain must be installed)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

objdump=x86_64-w64-mingw32-objdump
for tool in cmake ninja x86_64-w64-mingw32-g++-posix "$objdump"; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "dist: $tool not found (install the mingw-w64 toolchain first)" >&2
    exit 1
  fi
done

cmake --preset mingw
cmake --build --preset mingw

built=build/mingw/win/Tavrel.asi
if [[ ! -f $built ]]; then
  echo "dist: $built was not produced by the build" >&2
  exit 1
fi

headers="$("$objdump" -p "$built")"
if ! grep -q 'file format pei-x86-64' <<<"$headers"; then
  echo "dist: $built is not a 64-bit Windows image" >&2
  exit 1
fi
if ! awk '/^Characteristics/{on=1} on && /DLL/{found=1} /^$/{on=0} END{exit !found}' <<<"$headers"; then
  echo "dist: $built is not marked as a DLL" >&2
  exit 1
fi

# Only DLLs that ship with Windows itself.
mapfile -t imports < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr -d '\r')
system_dll='^(kernel32|user32|advapi32|gdi32|shell32|ole32|ntdll|msvcrt|ucrtbase|bcrypt|api-ms-win-[a-z0-9-]+)\.dll$'
foreign=()
for dll in "${imports[@]}"; do
  if ! grep -qiE "$system_dll" <<<"$dll"; then
    foreign+=("$dll")
  fi
done
echo "dist: Tavrel.asi imports: ${imports[*]:-(none)}"
if ((${#foreign[@]} > 0)); then
  echo "dist: Tavrel.asi depends on non-system DLLs: ${foreign[*]}" >&2
  echo "dist: they would be missing on a player's machine; link them statically (win/CMakeLists.txt)" >&2
  exit 1
fi

# Load the library as the game would, next to a stand-in script hook, and
# check the file store, under Wine (when installed; the build registers the
# checks only then).
if ctest --test-dir build/mingw/win -N 2>/dev/null | grep -q 'Total Tests: [1-9]'; then
  ctest --test-dir build/mingw/win --output-on-failure
else
  echo "dist: Wine is not installed: Tavrel.asi was not loaded and checked (install wine64 to run the checks)"
fi

mkdir -p dist
cp "$built" dist/Tavrel.asi

missing=0
for file in dist/Tavrel.asi dist/TavrelConfig.ini dist/INSTALL.txt; do
  if [[ ! -f $file ]]; then
    echo "dist: $file is missing from the package" >&2
    missing=1
  fi
done
((missing == 0)) || exit 1

echo "dist: package staged in $root/dist:"
ls -l dist/Tavrel.asi dist/TavrelConfig.ini dist/INSTALL.txt
