#!/usr/bin/env bash
# The Windows module and its tests under Wine:
#  1. builds the Linux module and vemo-screenshot (build-winref/) and the
#     host checker for Linux, which writes the reference: the module's
#     answers, its chunks, the render of a fixed MIDI sequence and the
#     offscreen picture of the editor;
#  2. cross-builds build-win/vemo.dll, build-win/vemo.clap,
#     build-win/VEMO.vst3 and vemo-hostcheck.exe with mingw-w64 and checks
#     the modules' imports (Windows system DLLs only) and exports;
#  3. runs vemo-hostcheck.exe under Wine on an Xvfb display of its own
#     (with-xvfb, built with the host checker): host
#     checks, the render and chunks equal to the reference bit for bit, and
#     the editor in a real Win32 window (screenshot, clicks, drags, keys);
#  4. the Windows vemo.clap's render of a fixed CLAP score under Wine
#     against the Linux vemo.clap's, byte for byte;
#  5. the same for the VEMO.vst3 bundles with a fixed VST 3 score, and the
#     VST 3 editor in a real Win32 window.
# Every step is bounded in time. The Wine prefix lives in build-win/wineprefix
# (its first start takes a few seconds more).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
scripts/deps.sh
jobs="$(nproc)"
win=build-win
ref=build-winref
toolchain="$root/cmake/mingw-w64-x86_64.cmake"

step() { echo "== $*"; }
# bounded SECONDS command...: fails the script when the command overruns.
bounded() {
    local seconds=$1
    shift
    timeout --kill-after=10 "$seconds" "$@"
}
configure() { # configure DIR LOG cmake-args...
    local dir=$1 log=$2
    shift 2
    mkdir -p "$(dirname "$log")"
    bounded 600 cmake -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" > "$log" 2>&1 || { cat "$log"; exit 1; }
}

step "Linux reference build ($ref)"
configure "$ref" "$ref.configure.log" -S . -DVEMO_BUILD_TESTS=OFF -DVEMO_BUILD_BENCH=OFF
bounded 1800 cmake --build "$ref" --target vemo vemo_clap vemo_vst3 vemo-screenshot -j "$jobs"
configure "$ref/hostcheck" "$ref/hostcheck.configure.log" -S tests/windows
bounded 600 cmake --build "$ref/hostcheck" -j "$jobs"

step "Windows build ($win)"
configure "$win" "$win.configure.log" -S . --toolchain "$toolchain"
bounded 1800 cmake --build "$win" --target vemo vemo_clap vemo_vst3 -j "$jobs"
configure "$win/hostcheck" "$win/hostcheck.configure.log" -S tests/windows --toolchain "$toolchain"
bounded 600 cmake --build "$win/hostcheck" -j "$jobs"

# module EXPECTED-EXPORTS: Windows system DLLs only, and these exports.
check_module() {
    local module=$1 expected=$2
    step "$(basename "$module"): imports and exports"
    local objdump_out imports exports
    objdump_out="$(x86_64-w64-mingw32-objdump -p "$module")"
    imports="$(awk '/DLL Name:/ {print tolower($3)}' <<< "$objdump_out" | sort | tr '\n' ' ')"
    echo "imports: $imports"
    for dll in $imports; do
        case "$dll" in
            kernel32.dll | user32.dll | gdi32.dll | ole32.dll | msvcrt.dll) ;;
            *) echo "$module needs $dll, which is not a Windows system DLL"; exit 1 ;;
        esac
    done
    exports="$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<< "$objdump_out" |
        awk '/\[/ && NR > 1 {print $NF}' | sort | tr '\n' ' ')"
    echo "exports: $exports"
    [ "$exports" = "$expected" ] || { echo "unexpected exports: $exports"; exit 1; }
}
check_module "$win/vemo.dll" "VSTPluginMain main "
check_module "$win/vemo.clap" "clap_entry "
check_module "$win/VEMO.vst3/Contents/x86_64-win/VEMO.vst3" "ExitDll GetPluginFactory InitDll "

step "Reference from the Linux module"
refdir="$win/reference"
rm -rf "$refdir"
mkdir -p "$refdir"
bounded 300 "$ref/hostcheck/vemo-hostcheck" reference "$ref/vemo.so" "$refdir"
# shellcheck disable=SC2046 # one --set INDEX=VALUE pair per line, no spaces
bounded 120 "$ref/tools/vemo-screenshot" $(cat "$refdir/editor-args.txt") "$refdir/editor.png"
bounded 60 "$ref/hostcheck/vemo-hostcheck" png2raw "$refdir/editor.png" "$refdir/editor.rgb"
# The checker against the module that wrote the reference: proves the
# checker itself (everything but the Win32 editor part).
bounded 300 "$ref/hostcheck/vemo-hostcheck" check "$ref/vemo.so" "$refdir"
# The Linux CLAP module's render of the CLAP score (it renders what the
# VST 2.x module renders: tests/clap).
bounded 120 "$ref/hostcheck/vemo-hostcheck" clap-render "$ref/vemo.clap" "$refdir/clap-linux.f32"
bounded 120 "$ref/hostcheck/vemo-hostcheck" vst3-render "$ref/VEMO.vst3/Contents/x86_64-linux/VEMO.so" \
    "$refdir/vst3-linux.f32"

step "vemo.dll under Wine"
wine=""
for candidate in /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
        wine="$candidate"
        break
    fi
done
[ -n "$wine" ] || { echo "no wine loader found (package wine64)"; exit 1; }
wineserver="$(dirname "$wine")/wineserver"
[ -x "$wineserver" ] || wineserver="$(command -v wineserver || true)"

export WINEPREFIX="$root/$win/wineprefix"
export WINEDEBUG=-all
export WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko installer prompts

cleanup() {
    if [ -n "$wineserver" ]; then
        timeout 20 "$wineserver" -k > /dev/null 2>&1 || true
    fi
}
trap cleanup EXIT

# A display of our own (with-xvfb, the tests' Xvfb start-up), 24-bit so the
# window shows the canvas's colours exactly; both Wine steps run on it.
bounded 1200 "$ref/hostcheck/with-xvfb" bash -c '
    set -e
    start=$(date +%s)
    timeout --kill-after=10 300 "$1" wineboot -i > /dev/null 2>&1
    echo "wine prefix ready in $(($(date +%s) - start)) s"
    timeout --kill-after=10 600 "$1" "$2" check "$3" "$4"
    timeout --kill-after=10 300 "$1" "$2" clap-render "$5" "$6"
    timeout --kill-after=10 300 "$1" "$2" vst3-render "$7" "$8"
    timeout --kill-after=10 300 "$1" "$2" vst3-editor "$7"
' with-xvfb "$wine" "$win/hostcheck/vemo-hostcheck.exe" "Z:$root/$win/vemo.dll" "Z:$root/$refdir" \
    "Z:$root/$win/vemo.clap" "Z:$root/$refdir/clap-windows.f32" \
    "Z:$root/$win/VEMO.vst3/Contents/x86_64-win/VEMO.vst3" "Z:$root/$refdir/vst3-windows.f32"

step "vemo.clap under Wine renders what the Linux vemo.clap renders"
if cmp "$refdir/clap-linux.f32" "$refdir/clap-windows.f32"; then
    echo "1 passed, 0 failed: vemo.clap's render under Wine equals the Linux one bit for bit ($(stat -c %s "$refdir/clap-linux.f32") bytes)"
else
    echo "0 passed, 1 failed: vemo.clap's render under Wine differs from the Linux one"
    exit 1
fi

step "VEMO.vst3 under Wine renders what the Linux VEMO.vst3 renders"
if cmp "$refdir/vst3-linux.f32" "$refdir/vst3-windows.f32"; then
    echo "1 passed, 0 failed: VEMO.vst3's render under Wine equals the Linux one bit for bit ($(stat -c %s "$refdir/vst3-linux.f32") bytes)"
else
    echo "0 passed, 1 failed: VEMO.vst3's render under Wine differs from the Linux one"
    exit 1
fi
