#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UBSan) and runs each for a bounded
# time: FUZZ_SECONDS per target (default 120), two at a time. Inputs that crash are kept in
# fuzz/corpus/<target>/ so that the ordinary test run replays them from then on.
#   ./fuzz.sh                 every target
#   ./fuzz.sh session camera  the targets named
set -euo pipefail
cd "$(dirname "$0")"
source tools/install_packages.sh
tervix_packages+=(clang libclang-rt-14-dev)
tervix_install_packages

seconds=${FUZZ_SECONDS:-120}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTERVIX_FUZZ=ON -DTERVIX_BUILD_GUI=OFF -DTERVIX_BUILD_BENCHMARKS=OFF >/dev/null
targets=(camera target atmosphere pipeline session mrtd_table objective_json requirement study_plan study_result)
cmake --build build-fuzz --target "${targets[@]/%/_fuzzer}"

run() {
    local name=$1
    local work="build-fuzz/corpus/$name"
    mkdir -p "$work"
    local max_len=8192
    case $name in pipeline | session | objective_json | study_result) max_len=16384 ;; esac
    "build-fuzz/bin/${name}_fuzzer" "$work" "fuzz/corpus/$name" -max_total_time="$seconds" \
        -max_len="$max_len" -timeout=20 -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="fuzz/corpus/$name/crash-" >"build-fuzz/$name.log" 2>&1 || true
    local runs=$(grep -m1 'stat::number_of_executed_units' "build-fuzz/$name.log" | awk '{print $2}')
    local rate=$(grep -m1 'stat::average_exec_per_sec' "build-fuzz/$name.log" | awk '{print $2}')
    if grep -q -E 'ERROR: (AddressSanitizer|libFuzzer)|runtime error|SUMMARY:' "build-fuzz/$name.log"; then
        echo "$name: FINDING after ${runs:-?} runs; see build-fuzz/$name.log"
    else
        echo "$name: ${runs:-?} runs, ${rate:-?} per second, no finding"
    fi
}

names=("$@")
[ $# -gt 0 ] || names=("${targets[@]}")
for name in "${names[@]}"; do
    [[ " ${targets[*]} " == *" $name "* ]] || { echo "no fuzz target $name (${targets[*]})" >&2; exit 2; }
done
for ((k = 0; k < ${#names[@]}; k += 2)); do
    run "${names[k]}" &
    [ $((k + 1)) -lt ${#names[@]} ] && run "${names[k + 1]}" &
    wait
done
