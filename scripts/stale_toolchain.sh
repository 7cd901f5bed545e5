# Sourced by ./run and scripts/dist.sh (from the repository root).
# CMake keeps the compiler of a build directory's first configure: when the
# mingw toolchain file names another compiler since, forget that directory's
# configuration so that the next configure takes the toolchain's.
forget_stale_mingw_configure() {
  local files=build/mingw/CMakeFiles toolchain_cxx
  [ -d "$files" ] || return 0
  toolchain_cxx=$(sed -n 's/^set(CMAKE_CXX_COMPILER \([^)]*\))/\1/p' cmake/mingw-w64-x86_64.cmake)
  if ! grep -qs "CMAKE_CXX_COMPILER \".*/$toolchain_cxx\"" "$files"/*/CMakeCXXCompiler.cmake; then
    rm -rf build/mingw/CMakeCache.txt "$files"
  fi
}
