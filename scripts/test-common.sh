# Sourced by the test scripts: the sanitizer build's configuration and the sanitizers' options.

# One clang build serves the test suite and the fuzz targets: AddressSanitizer and
# UndefinedBehaviorSanitizer everywhere, and the fuzzers' coverage (fuzzer-no-link), which the
# test programs carry along unused. rx47_configure_sanitize DIR
rx47_configure_sanitize() {
    local dir=$1
    mkdir -p "$dir"
    CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DRX47_SANITIZE=fuzzer-no-link,address,undefined -DRX47_BUILD_FUZZ=ON \
        -DRX47_BUILD_BENCH=OFF -DRX47_LINE_TABLES_ONLY=ON >"$dir.configure.log" 2>&1 ||
        { cat "$dir.configure.log"; return 1; }
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
