#!/usr/bin/env bash
# CI check of the Debian package: builds it, checks its contents and dependencies, unpacks it into
# a scratch root and runs the installed rx47-cli from there. test-extra-deb.sh OUT_ROOT
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/out}
mkdir -p "$out"
# The release build of test-all.sh is reused when it is there; otherwise a build of its own.
build=$out/release
[ -f "$build/CMakeCache.txt" ] || build=$out/deb
deb=$("$root/scripts/build-deb.sh" "$build" | tail -n 1)
echo "package: $deb"

fail() {
    echo "test-extra-deb: $*" >&2
    exit 1
}

contents=$(dpkg-deb --contents "$deb")
for path in ./usr/bin/rx47 ./usr/bin/rx47-cli ./usr/lib/udev/rules.d/70-rx47.rules \
    ./usr/share/applications/rx47.desktop ./usr/share/icons/hicolor/scalable/apps/rx47.svg; do
    grep -qE " $path\$" <<<"$contents" || fail "the package lacks $path"
done
# Nothing of the build (tests, benchmarks, headers) comes along.
if grep -qE 'test_|bench_|\.h$|\.a$' <<<"$contents"; then
    fail "the package carries build files"
fi

[ "$(dpkg-deb --field "$deb" Package)" = rx47 ] || fail "wrong package name"
depends=$(dpkg-deb --field "$deb" Depends)
# The Qt modules the binaries link (dpkg-shlibdeps lists each one they use).
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6charts6 \
    libstdc++6 libudev1 qt6-qpa-plugins; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
dpkg-deb --info "$deb" postinst >/dev/null || fail "the package has no postinst"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg -x "$deb" "$scratch"
grep -q 'TAG+="uaccess"' "$scratch/usr/lib/udev/rules.d/70-rx47.rules" || fail "udev rule"
grep -q '^Exec=rx47$' "$scratch/usr/share/applications/rx47.desktop" || fail "desktop entry"

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
echo "test-extra-deb: package $(basename "$deb") checked"
