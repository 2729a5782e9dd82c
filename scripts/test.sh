#!/usr/bin/env bash
# Every test: install what is missing, build (Release, then with AddressSanitizer
# and UndefinedBehaviorSanitizer) and run the whole suite in both builds (the
# Release run includes VEMO inside Ardour, label "ardour", and an hour of
# audio per long-run program, label "long", and vemo-standalone against a
# JACK server with the dummy back-end that its tests start and stop
# themselves, label "standalone"); the threading tests once more
# under ThreadSanitizer; then 45 s of fuzzing per libFuzzer target
# (scripts/fuzz.sh; VEMO_SKIP_FUZZ=1 skips it). The Windows module is
# tested under Wine (scripts/test-windows.sh) and the aarch64 build under
# qemu-user (scripts/test-arm.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
jobs="$(nproc)"

# Every ctest pass appends its summary here; the last line of the run adds
# them up.
summary="$(mktemp)"
trap 'rm -f "$summary"' EXIT
run_ctest() {
    local dir="$1"
    shift
    local log="$dir/ctest.log"
    local status=0
    (cd "$dir" && ctest --output-on-failure -j "$jobs" "$@") 2>&1 | tee "$log" || status=$?
    grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 >> "$summary" || true
    return "$status"
}

scripts/build.sh build
run_ctest build

# The Windows module, cross-built and tested under Wine (VEMO_SKIP_WINDOWS=1 skips it).
if [ "${VEMO_SKIP_WINDOWS:-0}" != "1" ]; then
    scripts/test-windows.sh
fi

# The aarch64 build, its engine, voice and reference-render tests under
# qemu-user (VEMO_SKIP_ARM=1 skips it); its CTest summary joins the others.
if [ "${VEMO_SKIP_ARM:-0}" != "1" ]; then
    scripts/test-arm.sh
    grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' build-arm64/ctest.log | tail -n 1 >> "$summary" || true
fi

if [ "${VEMO_SKIP_SANITIZERS:-0}" != "1" ]; then
    BUILD_TYPE=Debug scripts/build.sh build-asan -DVEMO_SANITIZE=ON -DVEMO_BUILD_BENCH=OFF
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    run_ctest build-asan

    # ThreadSanitizer: only the tests that run the audio, UI and automation
    # threads together (the validator's Threads group, and the sustain
    # pedal's reset from the host's thread), any report fails.
    cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEMO_TSAN=ON \
        -DVEMO_BUILD_BENCH=OFF -DVEMO_BUILD_TOOLS=OFF > build-tsan.configure.log 2>&1 \
        || { cat build-tsan.configure.log; exit 1; }
    cmake --build build-tsan --target test_validator test_plugin -j "$jobs"
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 run_ctest build-tsan \
        -R '^test_validator\.Threads\.|^test_plugin\.SustainPedalTest\.HostThread'
fi

if [ "${VEMO_SKIP_FUZZ:-0}" != "1" ]; then
    scripts/fuzz.sh
fi

# One closing line for the whole run: every ctest pass added up.
sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1 \2/' "$summary" \
    | awk '{ failed += $1; total += $2 } END { printf "%d passed, %d failed\n", total - failed, failed }'
