#!/usr/bin/env bash
# Configures and builds in build/ (Release, warnings as errors). Arguments name the targets to build
# (all when none). Two compile jobs: the machines have two cores.
set -euo pipefail
cd "$(dirname "$0")/.."
# A compiler cache, when the machine has one, makes rebuilds in several checkouts cheap.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release -DOSK_WERROR=ON ${OSK_CMAKE_ARGS:-} >/dev/null
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build build -j 2 "${targets[@]}"
