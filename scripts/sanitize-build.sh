#!/usr/bin/env bash
# Builds the sanitized core in build-sanitize/ with clang, ASan and UBSan: the core, its unit tests, the programs
# without windows they run and the libFuzzer targets. The main build runs them as tests when OSK_SANITIZE_DIR
# names it.
set -euo pipefail
cd "$(dirname "$0")/.."
# A compiler cache, when the machine has one, makes rebuilds in several checkouts cheap.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# The core's tests use a precompiled header, which the cache takes only when told to.
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
cmake -S . -B build-sanitize -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSK_SANITIZE=ON \
    -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-sanitize -j 2
