#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build (core, command-line tool,
# bench window under Xvfb) and the core's tests again under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")"
source tools/install_packages.sh
tervix_install_packages

jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset default
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

cmake --preset sanitize
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"
