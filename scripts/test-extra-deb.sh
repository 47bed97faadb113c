#!/usr/bin/env bash
# CI check of the Debian packages rx47-cli and rx47: builds them, checks their contents and
# dependencies, unpacks them into a scratch root, verifies the service's unit with systemd and runs
# the installed rx47-cli from there. test-extra-deb.sh OUT_ROOT
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/out}
mkdir -p "$out"
# The release build of test-all.sh is reused when it is there; otherwise a build of its own.
build=$out/release
[ -f "$build/CMakeCache.txt" ] || build=$out/deb
debs=$("$root/scripts/build-deb.sh" "$build" | tail -n 2)
cli_deb=$(grep '/rx47-cli_' <<<"$debs")
gui_deb=$(grep '/rx47_' <<<"$debs" || true)
echo "packages: $cli_deb $gui_deb"

fail() {
    echo "test-extra-deb: $*" >&2
    exit 1
}

has_paths() { # DEB PATH...
    local deb=$1 contents
    shift
    contents=$(dpkg-deb --contents "$deb")
    for path in "$@"; do
        grep -qE " $path\$" <<<"$contents" || fail "$(basename "$deb") lacks $path"
    done
    # Nothing of the build (tests, benchmarks, headers) comes along.
    if grep -qE 'test_|bench_|\.h$|\.a$' <<<"$contents"; then
        fail "$(basename "$deb") carries build files"
    fi
}

# rx47-cli: the command, the service and the udev rule, for a headless machine.
has_paths "$cli_deb" ./usr/bin/rx47-cli ./usr/lib/udev/rules.d/70-rx47.rules \
    './usr/lib/systemd/system/rx47-logger@.service' ./usr/share/doc/rx47-cli/examples/logger.conf
if dpkg-deb --contents "$cli_deb" | grep -qE ' ./usr/bin/rx47$|applications/'; then
    fail "rx47-cli carries the window"
fi
[ "$(dpkg-deb --field "$cli_deb" Package)" = rx47-cli ] || fail "wrong package name"
depends=$(dpkg-deb --field "$cli_deb" Depends)
for lib in libqt6core6 libqt6network6 libmosquitto1 libstdc++6 libudev1; do
    grep -q "$lib" <<<"$depends" || fail "rx47-cli Depends lacks $lib: $depends"
done
for lib in libqt6gui6 libqt6widgets6 libqt6charts6 qt6-qpa-plugins; do
    if grep -q "$lib" <<<"$depends"; then fail "rx47-cli depends on $lib: $depends"; fi
done
dpkg-deb --info "$cli_deb" postinst >/dev/null || fail "rx47-cli has no postinst"

# rx47: the window, on top of rx47-cli.
if [ -n "$gui_deb" ]; then
    has_paths "$gui_deb" ./usr/bin/rx47 ./usr/share/applications/rx47.desktop \
        ./usr/share/icons/hicolor/scalable/apps/rx47.svg
    [ "$(dpkg-deb --field "$gui_deb" Package)" = rx47 ] || fail "wrong package name"
    depends=$(dpkg-deb --field "$gui_deb" Depends)
    for lib in rx47-cli libqt6core6 libqt6gui6 libqt6widgets6 libqt6charts6 qt6-qpa-plugins; do
        grep -q "$lib" <<<"$depends" || fail "rx47 Depends lacks $lib: $depends"
    done
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg -x "$cli_deb" "$scratch"
[ -z "$gui_deb" ] || dpkg -x "$gui_deb" "$scratch"
grep -q 'TAG+="uaccess"' "$scratch/usr/lib/udev/rules.d/70-rx47.rules" || fail "udev rule"
grep -q 'GROUP="rx47"' "$scratch/usr/lib/udev/rules.d/70-rx47.rules" || fail "udev rule group"
[ -z "$gui_deb" ] || grep -q '^Exec=rx47$' "$scratch/usr/share/applications/rx47.desktop" ||
    fail "desktop entry"

# The service's unit, checked by systemd against the unpacked command.
unit_dir=$(mktemp -d -p "$scratch")
sed "s|/usr/bin/rx47-cli|$scratch/usr/bin/rx47-cli|" \
    "$scratch/usr/lib/systemd/system/rx47-logger@.service" >"$unit_dir/rx47-logger@demo.service"
systemd-analyze verify "$unit_dir/rx47-logger@demo.service" >"$scratch/verify" 2>&1 ||
    fail "systemd-analyze verify: $(cat "$scratch/verify")"
if grep -q 'rx47-logger' "$scratch/verify"; then fail "the unit: $(cat "$scratch/verify")"; fi

cli=$scratch/usr/bin/rx47-cli
"$cli" --help | grep -q '^Usage: rx47-cli COMMAND' || fail "rx47-cli --help"
expected=$'LcdD3\t4\nLcdD2\t5\nLcdD1\t3\nLcdFH\t-\nLcdDT3\t2\nLcdDT2\t3\nLcdDT1\t4\nLCDC\t#\nLCDDEW\t \nLCDTime\t05:59\nHumidityText\t45.3%RH\nTemperatureText\t-23.4\nUnitText\t#\nChartValue\t-23.4'
actual=$(LC_ALL=C "$cli" decode --temp 023435333233343130303030303030053B0D0A)
[ "$actual" = "$expected" ] || fail "rx47-cli decode printed:"$'\n'"$actual"
set +e
LC_ALL=C "$cli" decode 023435333233343030303030303C30053B0D0A >/dev/null 2>"$scratch/err"
rc=$?
set -e
[ $rc -eq 1 ] || fail "a failing decode exited $rc"
grep -qx "rx47-cli: 'C' is not a valid integer value" "$scratch/err" || fail "decode error text"
echo 023435333233343130303030303030053B0D0A >"$scratch/frames.txt"
line=$(LC_ALL=C timeout 60 "$cli" read --simulate="$scratch/frames.txt" --count 1)
[ "$(cut -f2- <<<"$line")" = $'05:59\t45.3%RH\t-23.4\t#' ] || fail "rx47-cli read printed: $line"
grep -qE '^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}[+-][0-9]{2}:[0-9]{2}'$'\t' <<<"$line" ||
    fail "rx47-cli read time: $line"
echo "test-extra-deb: packages $(basename "$cli_deb") ${gui_deb:+$(basename "$gui_deb")} checked"
