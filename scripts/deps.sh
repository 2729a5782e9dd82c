#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when missing.
#   scripts/deps.sh        what building the plug-in and its tools needs
#   scripts/deps.sh test   that, plus what every test needs
#   scripts/deps.sh bench  that, plus the peer and the tools bench/ compares with
#   scripts/deps.sh arm    that, plus the aarch64 cross build and qemu-user
#                          (adds the arm64 architecture to dpkg)
set -euo pipefail

packages=(
    g++ cmake make pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    libsndfile1-dev libcli11-dev
    libx11-dev libxtst-dev libpng-dev libstb-dev
    # vemo-standalone: JACK audio and MIDI, the ALSA sequencer.
    libjack-jackd2-dev libasound2-dev
    # The LV2 plug-in: the LV2 headers (its binaries link nothing of them).
    lv2-dev
)
test_packages=(
    # The editor's real-window tests.
    xvfb xauth x11-apps xdotool
    # The Windows module (scripts/test-windows.sh): the mingw-w64 cross
    # compiler (posix threads) and 64-bit Wine to run its tests.
    g++-mingw-w64-x86-64-posix wine64
    # Fuzzers (scripts/fuzz.sh): clang with libFuzzer and the sanitizer runtimes.
    clang-14 libclang-rt-14-dev llvm-14
    # The real-host test (tests/ardour): Ardour 7 headless, driven from Python.
    ardour python3
    # vemo-standalone's tests: a JACK server with its dummy back-end.
    jackd2
    # The LV2 tests: the lilv host library, lv2info, and sord_validate,
    # which lv2-dev's lv2_validate runs.
    liblilv-dev lilv-utils sordi
    # jalv plays the LV2 plug-in on the JACK test server.
    jalv
    # The plug-in interfaces we define ourselves are checked against the
    # copies of the CLAP (and VST3) headers that dpf-source ships.
    dpf-source
)
bench_packages=(
    # bench_peers hosts amsynth's VST 2.x module beside VEMO's; callgrind
    # counts instructions independently of the machine's load.
    amsynth valgrind
)
arm_packages=(
    # The aarch64 cross compiler, and qemu-user to run what it builds (the
    # tests, and vemo-lv2-bundle during the build).
    g++-aarch64-linux-gnu qemu-user
    # The arm64 libraries and their development files the plug-ins, the
    # tools, the tests and the benchmarks link (Debian's multiarch: beside
    # the amd64 ones). CLI11 and the LV2 headers are the same for every
    # architecture: the amd64 packages above serve.
    libgtest-dev:arm64 libgmock-dev:arm64 libbenchmark-dev:arm64
    libsndfile1-dev:arm64 libx11-dev:arm64 libxtst-dev:arm64 libpng-dev:arm64
    libjack-jackd2-dev:arm64 libasound2-dev:arm64
)
if [ "${1:-}" = "test" ]; then
    packages+=("${test_packages[@]}")
elif [ "${1:-}" = "bench" ]; then
    packages+=("${bench_packages[@]}")
elif [ "${1:-}" = "arm" ]; then
    packages+=("${arm_packages[@]}")
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
if [ "${1:-}" = "arm" ] && ! dpkg --print-foreign-architectures | grep -qx arm64; then
    # The arm64 packages are then missing, so the update below fetches
    # their lists too.
    $SUDO dpkg --add-architecture arm64
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $SUDO apt-get update -qq
    # jackd2 asks whether to raise the real-time limits: answer no in advance,
    # so that apt never stops to ask.
    echo "jackd2 jackd/tweak_rt_limits boolean false" | $SUDO debconf-set-selections
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
