#!/bin/bash
# Fuzzes the polygon reader and the level loader for a bounded time.
#
#   bash fuzz/run.sh SECONDS
#
# Configures build-fuzz with clang (AddressSanitizer, UndefinedBehaviorSanitizer,
# libFuzzer), builds both targets and runs each on a scratch copy of the seed
# corpus for half of SECONDS. Any crash, leak, broken promise or input slower
# than 10 s fails the run; the input that did it is kept in
# build-fuzz/artifacts/. The fuzzer's random seed is FUZZ_SEED (default 1),
# so a run explores the same inputs in the same order each time.
set -uo pipefail

seconds=${1:-60}
seed=${FUZZ_SEED:-1}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
targets=(fuzz_polygon_reader fuzz_level_load)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake -S "$root" -B "$build" \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTILTMOOR_PRESENTATION=OFF -DTILTMOOR_BENCH=OFF -DTILTMOOR_FUZZ=ON >"$scratch/configure.log" 2>&1 \
    || { cat "$scratch/configure.log"; echo "fuzz: configure failed"; exit 1; }
cmake --build "$build" -j2 --target "${targets[@]}" >"$scratch/build.log" 2>&1 \
    || { tail -40 "$scratch/build.log"; echo "fuzz: build failed"; exit 1; }

per=$(( seconds / ${#targets[@]} ))
(( per < 1 )) && per=1
mkdir -p "$build/artifacts"

status=0
for target in "${targets[@]}"; do
    mkdir -p "$scratch/$target"
    cp "$root"/fuzz/corpus/* "$scratch/$target/"
    echo "== $target: $per s"
    "$build/fuzz/$target" "$scratch/$target" \
        -seed="$seed" -max_total_time="$per" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
        -dict="$root/fuzz/level.dict" -artifact_prefix="$build/artifacts/$target-" \
        -print_final_stats=1 >"$scratch/$target.log" 2>&1
    rc=$?
    grep -E "^#[0-9]+[[:space:]]+(INITED|DONE)" "$scratch/$target.log" | tail -2
    grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb" "$scratch/$target.log"
    if (( rc != 0 )); then
        status=1
        echo "fuzz: $target FAILED (exit $rc)"
        grep -E "ERROR|SUMMARY|broken promise|timeout|leak|Test unit written" "$scratch/$target.log" | head -20
        cp "$scratch/$target.log" "$build/artifacts/$target.log"
    else
        echo "fuzz: $target passed"
    fi
done
exit $status
