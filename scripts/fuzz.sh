#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each for SECONDS
# (default 60), as many at a time as there are cores. Seeds: the saved regression inputs, the
# project's own IODD files and examples, and ../shared/iodd-corpus when it is
# there. Prints each target's runs and coverage; exits non-zero when a target
# crashed, leaked, timed out or ran out of memory (the input is kept in
# build-fuzz/artifacts/NAME/ and belongs in fuzz/regressions/NAME/ once fixed).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

seconds="${1:-60}"
# HUB8_FUZZ_TARGETS picks targets ("iodd codec"), HUB8_FUZZ_JOBS how many run at once.
read -r -a targets <<<"${HUB8_FUZZ_TARGETS:-iodd link codec scenario zip}"
jobs="${HUB8_FUZZ_JOBS:-$(nproc)}"

hub8_install "${HUB8_BUILD_PACKAGES[@]}" clang libclang-rt-14-dev

dir="$HUB8_ROOT/build-fuzz"
if [ ! -f "$dir/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$HUB8_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DHUB8_FUZZ=ON -DHUB8_BUILD_TESTS=OFF -DHUB8_BUILD_BENCH=OFF >/dev/null
fi
build_targets=()
for t in "${targets[@]}"; do build_targets+=(--target "fuzz-$t"); done
cmake --build "$dir" -j "$(nproc)" "${build_targets[@]}"

# Seeds and artifacts, fresh each run.
rm -rf "$dir/artifacts"
seeds="$dir/seeds"
rm -rf "$seeds"
for t in "${targets[@]}"; do
    mkdir -p "$seeds/$t" "$dir/corpus/$t" "$dir/artifacts/$t"
    cp -r "$HUB8_ROOT/fuzz/regressions/$t/." "$seeds/$t/" 2>/dev/null || true
    [ -d "$HUB8_ROOT/fuzz/seeds/$t" ] && cp -r "$HUB8_ROOT/fuzz/seeds/$t/." "$seeds/$t/"
done
mkdir -p "$seeds/iodd" "$seeds/scenario"
find "$HUB8_ROOT/data/iodd" "$HUB8_ROOT/tests" -name '*.xml' -exec cp {} "$seeds/iodd/" \;
corpus="$HUB8_ROOT/../shared/iodd-corpus"
if [ -d "$corpus" ]; then find "$corpus" -name '*.xml' -exec cp {} "$seeds/iodd/" \; ; fi
cp "$HUB8_ROOT"/docs/examples/*.json "$seeds/scenario/"

run_target() {
    local t="$1" log="$dir/fuzz-$1.log"
    local extra=()
    [ -f "$HUB8_ROOT/fuzz/$t.dict" ] && extra+=("-dict=$HUB8_ROOT/fuzz/$t.dict")
    (cd "$dir/bin" && ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1" \
        LSAN_OPTIONS="suppressions=$HUB8_ROOT/fuzz/lsan.supp" \
        UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
        "./fuzz-$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$dir/artifacts/$t/" "${extra[@]}" "$dir/corpus/$t" "$seeds/$t") >"$log" 2>&1
}

status=0
pids=()
names=()
for t in "${targets[@]}"; do
    run_target "$t" &
    pids+=($!)
    names+=("$t")
    if [ ${#pids[@]} -ge "$jobs" ]; then
        wait "${pids[0]}" || { echo "fuzz-${names[0]}: FAILED (see build-fuzz/fuzz-${names[0]}.log)"; status=1; }
        pids=("${pids[@]:1}")
        names=("${names[@]:1}")
    fi
done
for i in "${!pids[@]}"; do
    wait "${pids[$i]}" || { echo "fuzz-${names[$i]}: FAILED (see build-fuzz/fuzz-${names[$i]}.log)"; status=1; }
done

for t in "${targets[@]}"; do
    log="$dir/fuzz-$t.log"
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || true)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || true)
    echo "fuzz-$t: ${runs:-?} runs in ${seconds} s, coverage ${cov:-?} edges, ${ft:-?} features"
done
exit $status
