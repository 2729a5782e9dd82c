#!/usr/bin/env bash
# The main job: install what is missing, build, and render the built-in demo
# (out/demo.wav). Arguments go to vemo-render: scripts/demo.sh song.mid --program 14
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build
build/vemo-render "$@"
