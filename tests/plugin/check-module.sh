#!/usr/bin/env bash
# The module exports exactly VSTPluginMain and main, and needs nothing beyond
# the C++ runtime, libc/libm and Xlib.
set -euo pipefail
module="$1"
exports=$(nm -D --defined-only "$module" | awk '$2 ~ /^[TW]$/ {print $3}' | sort | tr '\n' ' ')
if [ "$exports" != "VSTPluginMain main " ]; then
    echo "unexpected exports: $exports"
    exit 1
fi
needed=$(readelf -d "$module" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p' | sort | tr '\n' ' ')
for lib in $needed; do
    case "$lib" in
        libstdc++.so.*|libm.so.*|libgcc_s.so.*|libc.so.*|libX11.so.*|ld-linux-x86-64.so.*) ;;
        libasan.so.*|libubsan.so.*|libtsan.so.*) ;; # sanitizer builds only
        *) echo "unexpected dependency: $lib"; exit 1 ;;
    esac
done
echo "exports: $exports; needs: $needed"
