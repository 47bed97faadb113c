#!/usr/bin/env bash
# The HID transport's tests under ThreadSanitizer: the reader threads hand reports to the event
# thread, and this build checks that hand-off. Gets the output root folder as $1.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/out}
dir=$out/tsan
mkdir -p "$out"
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRX47_SANITIZE=thread \
    -DRX47_BUILD_BENCH=OFF >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" -j"$(nproc)" --target test_hid test_hidlinux
export QT_QPA_PLATFORM=offscreen
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
"$dir/tests/test_hid"
"$dir/tests/test_hidlinux"
