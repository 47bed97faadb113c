#!/usr/bin/env bash
# Runs every fuzz target (the data file readers and the live USB path) for a bounded time from its
# seed corpus, two at a time. The targets come from the sanitizer build OUT/sanitize (clang:
# libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer on the core too), which test-all.sh
# has already built; run alone, this configures and builds just the targets there. Fails on any
# crash, sanitizer report, leak or hang.
#   test-extra-fuzz.sh OUT        (RX47_FUZZ_SECONDS: time per target, default 25)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/out}
source "$root/scripts/test-common.sh"
dir=$out/sanitize
seconds=${RX47_FUZZ_SECONDS:-25}
targets=()
for source in "$root"/fuzz/fuzz_*.cpp; do
    targets+=("$(basename "$source" .cpp)")
done
[ -f "$dir/CMakeCache.txt" ] || rx47_configure_sanitize "$dir"
cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}"

# fuzz TARGET: runs one target; its log goes to DIR/TARGET.log, its findings to DIR/TARGET-*.
fuzz() {
    local target=$1 name=${1#fuzz_}
    local work=$dir/corpus/$name
    mkdir -p "$work"
    # New inputs go to the work folder; the seeds in the source tree stay as they are.
    "$dir/fuzz/$target" -max_total_time="$seconds" -max_len=16384 -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$dir/$target-" \
        "$work" "$root/fuzz/corpus/$name" >"$dir/$target.log" 2>&1
}
# report TARGET STATUS: the target's summary; the end of its log when it failed.
report() {
    local target=$1 status=$2
    echo "-- $target (${seconds}s)"
    grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR)' \
        "$dir/$target.log" || tail -n 20 "$dir/$target.log"
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$dir/$target.log"
        echo "$target failed ($status); artifacts in $dir"
    fi
}

# Each target is one process on one core: run as many at once as there are cores.
parallel=$(nproc)
failed=0
for ((i = 0; i < ${#targets[@]}; i += parallel)); do
    batch=("${targets[@]:i:parallel}")
    pids=()
    for target in "${batch[@]}"; do
        fuzz "$target" &
        pids+=($!)
    done
    for j in "${!batch[@]}"; do
        status=0
        wait "${pids[$j]}" || status=$?
        report "${batch[$j]}" "$status"
        [ "$status" -eq 0 ] || failed=1
    done
done
exit $failed
