#!/usr/bin/env bash
# Installs what is needed, builds and runs every test: the normal build, then the same tests
# under AddressSanitizer with UndefinedBehaviorSanitizer, the threaded transport tests under
# ThreadSanitizer, and the fuzz targets for a bounded time. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${RX47_TEST_BUILD_ROOT:-$root/out}
mkdir -p "$out"
"$root/scripts/deps.sh"
export QT_QPA_PLATFORM=offscreen

echo "== build and test"
"$root/scripts/build.sh" "$out/release"
ctest --test-dir "$out/release" --output-on-failure -j"$(nproc)" --timeout 600

echo "== address and undefined-behaviour sanitizers"
"$root/scripts/build.sh" "$out/asan" -DRX47_SANITIZE=address,undefined -DRX47_BUILD_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$out/asan" --output-on-failure -j"$(nproc)" --timeout 900 -LE slow

for extra in "$root"/scripts/test-extra-*.sh; do
    [ -e "$extra" ] || continue
    echo "== $(basename "$extra")"
    bash "$extra" "$out"
done
echo "== all tests passed"
