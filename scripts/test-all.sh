#!/usr/bin/env bash
# Installs what is needed, builds and runs every test. Exits non-zero on any failure. Stages:
#   layers    every include goes down the layers (scripts/check-layers.sh)
#   deps      the Debian packages (scripts/deps.sh)
#   release-build, release-tests   the normal build and all its tests, the soak included
#   bench     each benchmark once at a token size, so that none rots
#   deb       the Debian package from the release build, checked (scripts/test-extra-deb.sh)
#   sanitize-build, sanitize-tests   one clang build with AddressSanitizer,
#             UndefinedBehaviorSanitizer and the fuzzers' coverage; its tests, all but the soak
#   fuzz      every fuzz target of that build for a bounded time (scripts/test-extra-fuzz.sh)
#   tsan      the threaded tests under ThreadSanitizer (scripts/test-extra-tsan.sh)
# Ends with each stage's time, wall and processor, after a failure too. RX47_TEST_BUILD_ROOT: the build folders'
# parent (default out/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${RX47_TEST_BUILD_ROOT:-$root/out}
mkdir -p "$out"
source "$root/scripts/test-common.sh"
export QT_QPA_PLATFORM=offscreen
# Compiler cache entries keyed by paths relative to the checkout, so that another clone on the
# same machine (a CI run, a second worktree) reuses what this one compiled.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=true
jobs=$(nproc)

stage_names=()
stage_seconds=()
stage_cpu=()
running=""
# Processor seconds (user + system) of every finished child so far: on a shared machine the wall
# time measures the neighbours too, this does not. Read without a subshell, which has its own.
times_file=$(mktemp)
read_children_cpu() { # read_children_cpu VAR
    times >"$times_file"
    printf -v "$1" '%s' "$(awk 'NR == 2 {
        split($0, t, /[ms ]+/)
        print t[1] * 60 + t[2] + t[3] * 60 + t[4]
    }' "$times_file")"
}
stage() { # stage NAME COMMAND...: runs the command as the named stage and clocks it
    local name=$1 started=$SECONDS before after
    shift
    read_children_cpu before
    running=$name
    echo "== $name"
    "$@"
    stage_names+=("$name")
    stage_seconds+=($((SECONDS - started)))
    read_children_cpu after
    stage_cpu+=("$(awk -v a="$before" -v b="$after" 'BEGIN { printf "%.0f", b - a }')")
    running=""
}
print_stage_times() {
    local status=$? total=0 cpu=0 i
    echo
    printf '%-16s %8s %12s\n' stage seconds cpu-seconds
    for i in "${!stage_names[@]}"; do
        printf '%-16s %8d %12d\n' "${stage_names[$i]}" "${stage_seconds[$i]}" "${stage_cpu[$i]}"
        total=$((total + stage_seconds[i]))
        cpu=$((cpu + stage_cpu[i]))
    done
    [ -z "$running" ] || printf '%-16s %8s\n' "$running" failed
    printf '%-16s %8d %12d\n' total "$total" "$cpu"
    rm -f "$times_file"
    [ "$status" -eq 0 ] && echo "== all tests passed"
}
trap print_stage_times EXIT

release_build() {
    "$root/scripts/build.sh" "$out/release" -DRX47_LINE_TABLES_ONLY=ON
}
release_tests() {
    ctest --test-dir "$out/release" --output-on-failure -j"$jobs" --timeout 600 -LE bench
}
bench_smoke() {
    ctest --test-dir "$out/release" --output-on-failure -j"$jobs" --timeout 600 -L bench
}
sanitize_build() {
    rx47_configure_sanitize "$out/sanitize"
    cmake --build "$out/sanitize" -j"$jobs"
}
sanitize_tests() {
    ctest --test-dir "$out/sanitize" --output-on-failure -j"$jobs" --timeout 900 -LE slow
}

stage layers "$root/scripts/check-layers.sh"
stage deps "$root/scripts/deps.sh"
stage release-build release_build
stage release-tests release_tests
stage bench bench_smoke
stage deb bash "$root/scripts/test-extra-deb.sh" "$out"
stage sanitize-build sanitize_build
stage sanitize-tests sanitize_tests
stage fuzz bash "$root/scripts/test-extra-fuzz.sh" "$out"
stage tsan bash "$root/scripts/test-extra-tsan.sh" "$out"
