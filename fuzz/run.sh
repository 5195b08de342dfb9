#!/bin/bash
# Fuzzes the polygon reader and the level loader.
#
#   bash fuzz/run.sh                          the test command's step
#   bash fuzz/run.sh --explore SECONDS [SEED] open-ended fuzzing
#
# Configures build-fuzz with clang (AddressSanitizer, UndefinedBehaviorSanitizer,
# libFuzzer) and builds both targets.
#
# The test command's step gives the same verdict on any machine, fast or
# slow: each target first replays every file of fuzz/corpus (the seeds and
# the regression inputs, each on its own), then runs a fixed number of new
# inputs (FUZZ_RUNS, default below) from seed FUZZ_SEED (default 1) in one
# process, counted in runs, never in time, with the address space laid out
# the same way each time. Two runs print the same coverage figures.
#
# --explore runs each target for half of SECONDS from SEED (default 1) and
# is for looking further than the test command does; what it explores
# depends on the machine's speed.
#
# Any crash, leak, broken promise or input slower than the timeout (below)
# fails the run; the input that did it is kept in build-fuzz/artifacts/.
set -uo pipefail

runs=${FUZZ_RUNS:-8000}
seed=${FUZZ_SEED:-1}
seconds=""
if [ "${1:-}" = "--explore" ]; then
    [[ "${2:-}" =~ ^[0-9]+$ ]] || { echo "usage: bash fuzz/run.sh [--explore SECONDS [SEED]]" >&2; exit 2; }
    seconds=$2
    seed=${3:-1}
elif [ $# -gt 0 ]; then
    echo "usage: bash fuzz/run.sh [--explore SECONDS [SEED]]" >&2
    exit 2
fi
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
mkdir -p "$build/artifacts"

# An input slower than the timeout fails the run: 10 s when exploring; in
# the test command 60 s, so that only a hang fails it, not a loaded machine
# (the slowest regression input takes about 1.5 s here).
timeout=60
[ -n "$seconds" ] && timeout=10
options=(-timeout="$timeout" -rss_limit_mb=2048 -max_len=8192 -dict="$root/fuzz/level.dict" -print_final_stats=1)

# report TARGET LOG RC: prints the outcome; false when it failed.
report() {
    local target=$1 log=$2 rc=$3
    if (( rc != 0 )); then
        echo "fuzz: $target FAILED (exit $rc)"
        grep -E "ERROR|SUMMARY|broken promise|timeout|leak|Test unit written|^Running: " "$log" | head -20
        cp "$log" "$build/artifacts/$target.log"
        return 1
    fi
    echo "fuzz: $target passed"
}

# Which new inputs the fuzzer tries also depends on where the address space
# is laid out: with it randomised, the reader's run parts at about input
# 2,380 in about one run of three, although every input it keeps replays
# with the same coverage. The counted runs therefore go without
# randomisation, and so repeat for a given build; exploring keeps it.
layout=()
if [ -z "$seconds" ]; then
    if setarch -R true 2>/dev/null; then
        layout=(setarch -R)
    else
        echo "fuzz: address space randomisation cannot be turned off here; coverage figures may differ between runs"
    fi
fi

status=0
for target in "${targets[@]}"; do
    binary="$build/fuzz/$target"
    log="$scratch/$target.log"
    if [ -z "$seconds" ]; then
        echo "== $target: replay of $(ls "$root"/fuzz/corpus | wc -l) corpus files"
        "$binary" "${options[@]}" -artifact_prefix="$build/artifacts/$target-" "$root"/fuzz/corpus/* >"$log" 2>&1
        report "$target" "$log" $? || { status=1; continue; }
    fi
    mkdir -p "$scratch/$target"
    cp "$root"/fuzz/corpus/* "$scratch/$target/"
    if [ -n "$seconds" ]; then
        per=$(( seconds / ${#targets[@]} ))
        (( per < 1 )) && per=1
        echo "== $target: $per s from seed $seed"
        limit=(-max_total_time="$per")
    else
        echo "== $target: $runs runs from seed $seed"
        # Without feedback from compared values: those include addresses,
        # which differ from run to run, and so would the inputs tried. Leaks
        # are looked for once, at the end (the run still fails on one):
        # looking during the run repeats an input whenever another thread
        # happened to allocate meanwhile, which changes what comes after.
        limit=(-runs="$runs" -use_cmp=0 -detect_leaks=0)
    fi
    "${layout[@]}" "$binary" "$scratch/$target" -seed="$seed" "${limit[@]}" "${options[@]}" \
        -artifact_prefix="$build/artifacts/$target-" >"$log" 2>&1
    rc=$?
    # The coverage figures, without the speed and memory that vary by machine.
    grep -E "^#[0-9]+[[:space:]]+(INITED|DONE)" "$log" | tail -2 | sed -E 's/[[:space:]]+(lim|exec\/s|rss):.*//'
    grep -E "^stat::number_of_executed_units" "$log"
    report "$target" "$log" $rc || status=1
done
exit $status
