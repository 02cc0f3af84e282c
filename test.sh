#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build with warnings as errors
# (core, command-line tool, bench window under Xvfb, the install) and the core's tests again under
# AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")"
source tools/install_packages.sh
tervix_install_packages test

# The sources keep the layout .clang-format describes.
clang-format --dry-run -Werror $(git ls-files '*.cpp' '*.h')

jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset ci
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"

cmake --preset sanitize
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"
