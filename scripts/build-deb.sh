#!/usr/bin/env bash
# Builds the Debian package rx47_<version>_<arch>.deb: build-deb.sh [BUILD_DIR]
# BUILD_DIR (default out/deb) is configured as a release build without tests when it has no
# CMake cache yet; an existing build folder is reused as it is. Prints the package's path last.
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
rm -f "$dir"/rx47_*.deb
(cd "$dir" && cpack -G DEB >"$dir/cpack.log" 2>&1) || { cat "$dir/cpack.log"; exit 1; }
deb=$(ls "$dir"/rx47_*.deb)
echo "$deb"
