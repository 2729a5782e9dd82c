#!/usr/bin/env bash
# The main job: install what is missing, build, and render the built-in demo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build
if [ -x build/vemo-render ]; then
    build/vemo-render "$@"
else
    echo "vemo-render is not built yet; the module is build/vemo.so"
fi
