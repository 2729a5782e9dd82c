#!/usr/bin/env bash
# Every test: install what is missing, build (Release, then with AddressSanitizer
# and UndefinedBehaviorSanitizer) and run the whole suite in both builds (the
# Release run includes VEMO inside Ardour, label "ardour", and an hour of
# audio per long-run program, label "long"); the threading tests once more
# under ThreadSanitizer; then a minute of fuzzing per libFuzzer target
# (scripts/fuzz.sh; VEMO_SKIP_FUZZ=1 skips it).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs="$(nproc)"

scripts/build.sh build
(cd build && ctest --output-on-failure -j "$jobs")

# The Windows module, cross-built and tested under Wine (VEMO_SKIP_WINDOWS=1 skips it).
if [ "${VEMO_SKIP_WINDOWS:-0}" != "1" ]; then
    scripts/test-windows.sh
fi

if [ "${VEMO_SKIP_SANITIZERS:-0}" != "1" ]; then
    BUILD_TYPE=Debug scripts/build.sh build-asan -DVEMO_SANITIZE=ON -DVEMO_BUILD_BENCH=OFF
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    (cd build-asan && ctest --output-on-failure -j "$jobs")

    # ThreadSanitizer: only the tests that run the audio, UI and automation
    # threads together (the validator's Threads group), any report fails.
    cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEMO_TSAN=ON \
        -DVEMO_BUILD_BENCH=OFF -DVEMO_BUILD_TOOLS=OFF > build-tsan.configure.log 2>&1 \
        || { cat build-tsan.configure.log; exit 1; }
    cmake --build build-tsan --target test_validator -j "$jobs"
    (cd build-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
        ctest --output-on-failure -j "$jobs" -R '^test_validator\.Threads\.')
fi

if [ "${VEMO_SKIP_FUZZ:-0}" != "1" ]; then
    scripts/fuzz.sh
fi
