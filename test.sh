#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build with warnings as errors
# (core, command-line tool, bench window under Xvfb, the Python module, the install) and the core's
# tests again under AddressSanitizer and UBSan. Once the tests pass, the Python module is installed
# where python3 finds it (tools/install_python_module.sh says how).
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
tools/install_python_module.sh build

# The sanitizer run leaves out the long statistical runs (the heavy ones, the screen's trends, the
# ranges' interval coverage): they pass through the same code as the shorter tests, which it runs, and
# the normal run above already checks their numbers.
cmake --preset sanitize
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"
