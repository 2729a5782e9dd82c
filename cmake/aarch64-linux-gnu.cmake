# Cross build for 64-bit ARM Linux (Raspberry Pi 4/5, MOD and Zynthian
# boxes, ARM laptops and servers) with Debian's cross compiler and the arm64
# multiarch libraries (scripts/deps.sh arm installs both):
#   cmake -S . -B build-arm64 --toolchain cmake/aarch64-linux-gnu.cmake
#   cmake --build build-arm64 -j1
#   ctest --test-dir build-arm64 -L arm      # the tests under qemu-user
#
# Programs built for ARM run on this machine through qemu-user: CMake runs
# them via CMAKE_CROSSCOMPILING_EMULATOR (the tests' discovery and runs, and
# vemo-lv2-bundle, which writes the LV2 bundle's Turtle files), with the
# ARM C and C++ runtimes taken from /usr/aarch64-linux-gnu.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(VEMO_ARM_TRIPLET aarch64-linux-gnu)
find_program(CMAKE_C_COMPILER NAMES ${VEMO_ARM_TRIPLET}-gcc-12 ${VEMO_ARM_TRIPLET}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${VEMO_ARM_TRIPLET}-g++-12 ${VEMO_ARM_TRIPLET}-g++ REQUIRED)

# Libraries and headers of the target: Debian's multiarch folders
# (/usr/lib/aarch64-linux-gnu, /usr/include/aarch64-linux-gnu) and the
# architecture-independent headers in /usr/include. pkg-config looks in
# the arm64 .pc files only.
set(CMAKE_LIBRARY_ARCHITECTURE ${VEMO_ARM_TRIPLET})
set(CMAKE_FIND_ROOT_PATH /usr/${VEMO_ARM_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${VEMO_ARM_TRIPLET}/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

find_program(VEMO_QEMU_AARCH64 NAMES qemu-aarch64 qemu-aarch64-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VEMO_QEMU_AARCH64} -L /usr/${VEMO_ARM_TRIPLET})
