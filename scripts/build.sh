#!/usr/bin/env bash
# Configures and builds in build/ (Release, warnings as errors). Arguments name the targets to build
# (all when none). Two compile jobs: the machines have two cores.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DOSK_WERROR=ON ${OSK_CMAKE_ARGS:-} >/dev/null
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build build -j 2 "${targets[@]}"
