#!/usr/bin/env bash
# Builds the Debian packages rx47-cli_<version>_<arch>.deb (the command, the service, the udev
# rule) and rx47_<version>_<arch>.deb (the window): build-deb.sh [BUILD_DIR]
# BUILD_DIR (default out/deb) is configured as a release build without tests when it has no
# CMake cache yet; an existing build folder is reused as it is. Prints the packages' paths last,
# rx47-cli first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/out/deb}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
if [ ! -f "$dir/CMakeCache.txt" ]; then
    "$root/scripts/build.sh" "$dir" -DCMAKE_BUILD_TYPE=Release -DRX47_BUILD_TESTS=OFF \
        -DRX47_BUILD_BENCH=OFF
else
    cmake --build "$dir" -j"$(nproc)"
fi
rm -f "$dir"/rx47_*.deb "$dir"/rx47-cli_*.deb
(cd "$dir" && cpack -G DEB >"$dir/cpack.log" 2>&1) || { cat "$dir/cpack.log"; exit 1; }
ls "$dir"/rx47-cli_*.deb
ls "$dir"/rx47_*.deb 2>/dev/null || true
