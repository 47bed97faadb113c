#!/usr/bin/env bash
# Installs what building, running and testing need, from Debian 12's packages. Safe to repeat.
set -euo pipefail
packages=(
    build-essential cmake ninja-build ccache pkg-config
    # Qt Charts' CMake package needs Qt OpenGL's, which qt6-charts-dev does not pull in.
    qt6-base-dev qt6-charts-dev libqt6opengl6-dev
    # No test uses Google Mock, but Debian's GTest CMake package checks that libgmock.a exists.
    libgtest-dev libgmock-dev
    clang libclang-rt-14-dev lld
    xvfb xauth x11-apps imagemagick poppler-utils
    fonts-dejavu-core fonts-liberation locales python3
    libmosquitto-dev mosquitto mosquitto-clients curl systemd
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" != 0 ]; then
        echo "Missing packages: ${missing[*]} (run as root to install them)" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# A locale with a comma as decimal separator, for the locale tests.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf8$'; then
    if [ "$(id -u)" = 0 ]; then
        localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1 || true
    fi
fi
