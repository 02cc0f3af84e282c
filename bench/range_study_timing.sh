#!/usr/bin/env bash
# Times a 100-camera trade study (ten NETDs by ten IFOVs from camera1.par, two model-observer repeats
# per frequency, both orientations) run by GNU parallel, then merged; the target is 6 minutes with
# two jobs at a time on two cores.
# usage: bench/range_study_timing.sh BINDIR [JOBS]   (JOBS: parallel's -j, default 2)
set -euo pipefail
bin=$(cd "${1:?usage: $0 BINDIR [JOBS]}" && pwd)
jobs=${2:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$bin/camera1.par" "$bin/mira.tag" "$work/"
cat > "$work/study.json" << 'JSON'
{"camera": "camera1.par", "repeats": 2,
 "parameters": [{"name": "netd", "from": 0.02, "to": 0.2, "steps": 10},
                {"name": "ifov", "from": 0.1, "to": 0.3, "steps": 10}]}
JSON
"$bin/tervix-cli" study "$work/study.json" > /dev/null
start=$(date +%s.%N)
parallel -j "$jobs" < "$work/study/jobs.txt" > /dev/null
end=$(date +%s.%N)
"$bin/tervix-cli" study --merge "$work/study" > /dev/null
echo "$(wc -l < "$work/study/jobs.txt") cameras, both orientations, parallel -j $jobs on $(nproc) cores:" \
    "$(echo "$end - $start" | bc) s (target 360 s)"
