# Cross build of the Windows module (vemo.dll, x86-64) with Debian's
# mingw-w64 compiler:
#   cmake -S . -B build-win --toolchain cmake/mingw-w64-x86_64.cmake
#   cmake --build build-win --target vemo     -> build-win/vemo.dll
#
# The posix thread model keeps <thread> and <mutex> complete; the module is
# linked with -static so libstdc++, libgcc and winpthread are inside the DLL
# and it needs nothing beyond Windows' own system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VEMO_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${VEMO_MINGW_PREFIX}-gcc-posix ${VEMO_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${VEMO_MINGW_PREFIX}-g++-posix ${VEMO_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VEMO_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${VEMO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# x86-64 does its float arithmetic in SSE registers on both systems (no x87
# excess precision), so with -ffp-contract=off from the project the Windows
# module computes every sample bit for bit as the Linux one does.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# The GoogleTest suites, the tools (libsndfile, libpng) and the benchmarks
# are Linux programs; the Windows side is tested by tests/windows.
set(VEMO_BUILD_TESTS OFF CACHE BOOL "Build the test suites")
set(VEMO_BUILD_TOOLS OFF CACHE BOOL "Build vemo-render and the other tools")
set(VEMO_BUILD_BENCH OFF CACHE BOOL "Build the benchmarks")
