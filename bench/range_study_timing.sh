#!/usr/bin/env bash
# Times a 100-camera trade study (ten NETDs by ten IFOVs from camera1.par, two model-observer repeats
# per frequency) run by GNU parallel on this machine's cores, then merged.
# usage: bench/range_study_timing.sh BINDIR [JOBS]   (JOBS: parallel's -j, default every core)
set -euo pipefail
bin=$(cd "${1:?usage: $0 BINDIR [JOBS]}" && pwd)
jobs=${2:-0}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$bin/camera1.par" "$bin/mira.tag" "$work/"
cat > "$work/study.json" <<'JSON'
{"camera": "camera1.par", "repeats": 2,
 "parameters": [{"name": "netd", "from": 0.02, "to": 0.2, "steps": 10},
                {"name": "ifov", "from": 0.1, "to": 0.3, "steps": 10}]}
JSON
cd "$work"
"$bin/tervix-cli" study study.json > /dev/null
start=$(date +%s.%N)
parallel -j "$jobs" < study/jobs.txt
end=$(date +%s.%N)
"$bin/tervix-cli" study --merge study > /dev/null
echo "$(wc -l < study/jobs.txt) cameras with parallel -j $jobs on $(nproc) cores: $(echo "$end - $start" | bc) s"
