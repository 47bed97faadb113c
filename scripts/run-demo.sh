#!/usr/bin/env bash
# Installs what is needed, builds, and starts the program on its built-in simulated cable.
# Without a display it runs the program under Xvfb for a few seconds and saves a screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" "$root/build" -DRX47_BUILD_TESTS=OFF -DRX47_BUILD_BENCH=OFF
args=(--simulate --connect)
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$root/build/rx47" "${args[@]}"
fi
shot="$root/build/rx47-screenshot.png"
display=:97
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 1
DISPLAY=$display "$root/build/rx47" "${args[@]}" &
app=$!
sleep "${RX47_DEMO_SECONDS:-8}"
DISPLAY=$display import -window root -crop 760x540+0+0 "$shot"
kill $app 2>/dev/null || true
wait $app 2>/dev/null || true
echo "No display here: ran the program under Xvfb; screenshot saved to $shot"
