#!/usr/bin/env bash
# Every test: install what is missing, build (Release, then with AddressSanitizer
# and UndefinedBehaviorSanitizer) and run the whole suite in both builds (the
# Release run includes VEMO inside Ardour, label "ardour"); then a minute of
# fuzzing per libFuzzer target (scripts/fuzz.sh; VEMO_SKIP_FUZZ=1 skips it).
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
fi

if [ "${VEMO_SKIP_FUZZ:-0}" != "1" ]; then
    scripts/fuzz.sh
fi
