#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, ASan and UBSan in build-fuzz/ (the core only, no windows).
set -euo pipefail
cd "$(dirname "$0")/.."
# A compiler cache, when the machine has one, makes rebuilds in several checkouts cheap.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-fuzz -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSK_FUZZ=ON \
    -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j 2
