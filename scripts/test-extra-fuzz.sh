#!/usr/bin/env bash
# Builds the fuzz targets (the data file readers and the live USB path) with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer on the core too) into OUT/fuzz and runs each for a bounded time from
# its seed corpus. Fails on any crash, sanitizer report, leak or hang.
#   test-extra-fuzz-files.sh OUT        (RX47_FUZZ_SECONDS: time per target, default 60)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/out}
dir=$out/fuzz
seconds=${RX47_FUZZ_SECONDS:-60}
targets=(fuzz_text_table fuzz_data_packet fuzz_live_path)
mkdir -p "$dir"

CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DRX47_BUILD_FUZZ=ON -DRX47_BUILD_TESTS=OFF -DRX47_BUILD_BENCH=OFF \
    -DRX47_SANITIZE=fuzzer-no-link,address,undefined >"$dir.configure.log" 2>&1 ||
    { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in "${targets[@]}"; do
    name=${target#fuzz_}
    work=$dir/corpus/$name
    mkdir -p "$work"
    echo "-- $target for ${seconds}s"
    # New inputs go to the work folder; the seeds in the source tree stay as they are.
    status=0
    "$dir/fuzz/$target" -max_total_time="$seconds" -max_len=16384 -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$dir/$target-" \
        "$work" "$root/fuzz/corpus/$name" >"$dir/$target.log" 2>&1 || status=$?
    grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR)' \
        "$dir/$target.log" || tail -n 20 "$dir/$target.log"
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$dir/$target.log"
        echo "$target failed ($status); artifacts in $dir"
        exit 1
    fi
done
