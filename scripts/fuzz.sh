#!/usr/bin/env bash
# Builds the libFuzzer targets (clang-14, AddressSanitizer + UBSan, coverage)
# in their own tree and runs each for a bounded time, starting from the
# committed seed corpus in fuzz/corpus/<target>. Any crash, sanitizer report,
# leak, slow input, memory blow-up or non-finite output sample fails.
#
#   FUZZ_SECONDS    seconds per target (default 45)
#   FUZZ_TARGETS    which targets (default: all ten)
#   FUZZ_BUILD_DIR  build tree (default build-fuzz)
#
# New inputs found go to <build tree>/fuzz-work/<target>/corpus, never into
# the committed corpus; crash inputs to <build tree>/fuzz-work/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-45}"
dir="${FUZZ_BUILD_DIR:-build-fuzz}"
targets="${FUZZ_TARGETS:-chunk midi dispatcher midifile preset lv2_state clap_state clap_events vst3_state vst3_events}"

cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DVEMO_FUZZ=ON -DVEMO_BUILD_TESTS=OFF -DVEMO_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" --target fuzzers -j "$(nproc)"

# Largest input per target: a whole bank chunk or bank file must fit.
max_len() {
    case "$1" in
        chunk|preset|lv2_state|clap_state|vst3_state) echo 150000 ;;
        midifile) echo 16384 ;;
        *) echo 4096 ;;
    esac
}

if command -v llvm-symbolizer-14 >/dev/null; then
    export ASAN_SYMBOLIZER_PATH="$(command -v llvm-symbolizer-14)"
fi
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

work="$dir/fuzz-work"
mkdir -p "$work/artifacts"
failed=()
for t in $targets; do
    corpus="$work/$t/corpus"
    mkdir -p "$corpus"
    echo "=== fuzz_$t: ${seconds} s"
    # No display: the editor's open must fail cleanly rather than reach an
    # X server with a made-up parent window.
    if env -u DISPLAY "$dir/fuzz/fuzz_$t" "$corpus" "fuzz/corpus/$t" \
        -max_total_time="$seconds" -max_len="$(max_len "$t")" -timeout=30 -rss_limit_mb=2048 \
        -error_exitcode=77 -print_final_stats=1 -artifact_prefix="$work/artifacts/$t-" \
        >"$work/$t.log" 2>&1; then
        grep -E '^stat::(number_of_executed_units|average_exec_per_sec)|^#[0-9]+ +DONE' "$work/$t.log" || true
    else
        echo "fuzz_$t FAILED; the last lines of $work/$t.log:"
        tail -n 60 "$work/$t.log"
        failed+=("$t")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing found problems in: ${failed[*]} (inputs in $work/artifacts)"
    exit 1
fi
echo "fuzzing: no findings"
