#!/usr/bin/env bash
# The 64-bit ARM build and its tests under qemu-user:
#  1. installs the aarch64 cross compiler, qemu-user and the arm64 libraries
#     (scripts/deps.sh arm);
#  2. cross-builds build-arm64/ with cmake/aarch64-linux-gnu.cmake: every
#     face (vemo.so, the LV2 bundle with its Turtle files written by
#     vemo-lv2-bundle under qemu, vemo-render, vemo-standalone,
#     vemo-screenshot), the benchmarks, and the engine's and the voices'
#     test suites;
#  3. checks that the binaries are aarch64 ones and that the LV2 Turtle files
#     equal the native build's (build/, when it is there);
#  4. runs the engine's and the voices' tests under qemu-user through CTest
#     (the toolchain's emulator), the frozen reference renders among them:
#     every render on the scalar voices and the NEON lanes, bit for bit.
# Every step is bounded in time. The CTest log is build-arm64/ctest.log.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh arm
jobs="${VEMO_JOBS:-$(nproc)}" # build and test jobs (CI: every core)
dir=build-arm64

step() { echo "== $*"; }
bounded() {
    local seconds=$1
    shift
    timeout --kill-after=10 "$seconds" "$@"
}

step "aarch64 build ($dir)"
mkdir -p "$dir"
bounded 600 cmake -S . -B "$dir" --toolchain "$PWD/cmake/aarch64-linux-gnu.cmake" -DCMAKE_BUILD_TYPE=Release \
    > "$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
targets=(vemo vemo_lv2 vemo-render vemo-standalone vemo-screenshot bench_engine bench_peers test_engine test_voice)
bounded 2400 cmake --build "$dir" --target "${targets[@]}" -j "$jobs"

step "aarch64 binaries"
for binary in vemo.so vemo.lv2/vemo_dsp.so vemo.lv2/vemo_ui.so vemo-render vemo-standalone \
    tools/vemo-screenshot bench/bench_engine; do
    machine="$(LC_ALL=C readelf -h "$dir/$binary" | awk -F: '/Machine:/ {gsub(/^ +/, "", $2); print $2}')"
    echo "$binary: $machine"
    [ "$machine" = "AArch64" ] || { echo "$dir/$binary is not an aarch64 binary"; exit 1; }
done
if [ -d build/vemo.lv2 ]; then
    for ttl in manifest.ttl vemo.ttl presets.ttl; do
        cmp "build/vemo.lv2/$ttl" "$dir/vemo.lv2/$ttl"
    done
    echo "LV2 Turtle files: the same as the native build's"
fi

step "Engine and voice tests under qemu-user"
(cd "$dir" && bounded 1800 ctest --output-on-failure -j "$jobs" -R '^test_(engine|voice)\.') 2>&1 | tee "$dir/ctest.log"
