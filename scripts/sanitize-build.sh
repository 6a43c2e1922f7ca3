#!/usr/bin/env bash
# Builds the sanitized core in build-sanitize/ with clang, ASan and UBSan: the core's unit tests, orvane-inspect
# and the libFuzzer targets (no windows). The main build runs them as tests when OSK_SANITIZE_DIR names it.
set -euo pipefail
cd "$(dirname "$0")/.."
# A compiler cache, when the machine has one, makes rebuilds in several checkouts cheap.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-sanitize -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSK_SANITIZE=ON \
    -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-sanitize -j 2
