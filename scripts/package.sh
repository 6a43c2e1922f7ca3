#!/usr/bin/env bash
# Builds the Debian package build/package/orvane-service-kit_<version>_amd64.deb from a Release build
# (the CMake target "package" does the same into build/). Install it with
#   apt-get install ./build/package/orvane-service-kit_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-packages.sh
scripts/build.sh
cd build
cpack -G DEB -B package >/dev/null
ls "$PWD"/package/orvane-service-kit_*_amd64.deb
