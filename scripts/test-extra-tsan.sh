#!/usr/bin/env bash
# The threaded tests under ThreadSanitizer: the HID transport (reader threads hand reports to the
# event thread), the USB link through the window, and the reliability tests with the unplug storm
# (the soak stays in the release stage). Only these test programs are built. test-extra-tsan.sh OUT
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/out}
source "$root/scripts/test-common.sh"
dir=$out/tsan
programs=(test_hid test_hidlinux test_usb test_reliability)
mkdir -p "$out"
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRX47_SANITIZE=thread \
    -DRX47_BUILD_BENCH=OFF -DRX47_LINE_TABLES_ONLY=ON >"$dir.configure.log" 2>&1 ||
    { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" -j"$(nproc)" --target "${programs[@]}"
export QT_QPA_PLATFORM=offscreen
# By label, so that only the programs built here run; the soak is labelled slow.
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" --timeout 900 -LE slow \
    -L '^(hid|hidlinux|usb|reliability)$'
