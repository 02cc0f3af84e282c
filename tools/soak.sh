#!/usr/bin/env bash
# The live window over a working day: the bench under Xvfb for a set time while a scripted observer
# works its controls once a second; frames per second and resident memory are reported every minute.
# Fails when the memory after the warm-up grows by more than 5 MB (its trend, each camera at its own
# level: the cameras' images differ in size) or a frame period exceeds twice
# the camera's, camera switches included (a switch is built off the window's thread and taken in at a
# frame boundary). Each such period is printed with the action taken before it, and the end lists each
# kind of action (the camera switch among them, taken in apart): how long it held the window's thread
# and how many long periods followed it. Not part of ./test.sh (it takes half an hour); run
# after ./test.sh has built.
#
#   tools/soak.sh [MINUTES]        default 30
#   SOAK_WARMUP_MINUTES=5          memory growth counts from here on
#   SOAK_REPORT_SECONDS=60         seconds between reports
#   TERVIX_BUILD_DIR=build         the build to use
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-30}
build=${TERVIX_BUILD_DIR:-$PWD/build}
cmake --build "$build" --target tervix_soak_observer tervix_data >/dev/null

# A working folder as ./run.sh makes it: the cameras and targets; Atmosphere.ini stays beside the
# program.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp data/*.par data/*.tag "$work/"
# Settings of its own: the user's remembered observers and report settings stay out (the observer is
# the login's, whom the window never asks to confirm).
export XDG_CONFIG_HOME="$work/config"
cd "$work"
LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1600x1000x24" \
    "$build/bin/tervix_soak_observer" --minutes "$minutes" \
    --warmup-minutes "${SOAK_WARMUP_MINUTES:-5}" --report-seconds "${SOAK_REPORT_SECONDS:-60}"
