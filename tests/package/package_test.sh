#!/bin/sh
# The Debian package of the built tree: lintian finds no error, it installs,
# the installed program runs the installed example, and it removes cleanly.
# Usage: package_test.sh BUILD_DIR
set -eu
build=$(cd "$1" && pwd)
skip() { echo "SKIP: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "installing a package needs root"
for tool in dpkg dpkg-deb dpkg-shlibdeps lintian cpack file; do
    command -v "$tool" >/dev/null || skip "$tool is missing (tools/install-deps.sh installs it)"
done
if dpkg-query -W -f='${Status}' portivox 2>/dev/null | grep -q 'ok installed'; then
    skip "a portivox package is installed already; not replacing it"
fi

tmp=$(mktemp -d)
installed=""
cleanup() {
    [ -n "$installed" ] && dpkg -r portivox >/dev/null 2>&1
    rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log"; fail "cpack could not build the package"; }
deb=$(ls "$tmp"/out/portivox_*.deb)
dpkg-deb -f "$deb" Package Version Depends Recommends Section
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6.*libxtst6' || fail "shared-library dependencies missing"

# Warnings are shown; an error fails the package.
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"

dpkg -i "$deb" >"$tmp/dpkg.log" 2>&1 || { cat "$tmp/dpkg.log"; fail "dpkg -i failed"; }
installed=yes
for f in /usr/bin/portivox /usr/bin/portivox-sim /usr/share/man/man1/portivox.1.gz \
    /usr/share/applications/portivox.desktop /usr/share/icons/hicolor/scalable/apps/portivox.svg \
    /usr/share/mime/packages/portivox.xml /usr/lib/systemd/user/portivox@.service \
    /usr/share/doc/portivox/help/index.html /usr/share/doc/portivox/examples/balance.PV3; do
    [ -f "$f" ] || fail "$f was not installed"
done
/usr/bin/portivox --version | grep -qx "portivox [0-9.]*" || fail "portivox --version"

# The demo configuration, played from a file, logging into the temp dir.
export XDG_CONFIG_HOME="$tmp/config"
cp /usr/share/doc/portivox/examples/balance.PV3 "$tmp/balance.PV3"
/usr/bin/portivox config set "$tmp/balance.PV3" "LogFileName=$tmp/balance.log" >/dev/null
printf 'ST,GS,+0012.345 g\r\nUS,GS,-0001.500 g\r\n' >"$tmp/records"
timeout 30 /usr/bin/portivox run "$tmp/balance.PV3" --virtual="$tmp/records" \
    --exit-after-idle=4 >"$tmp/run.out" || fail "portivox run exited with $?"
# The example converts grams to pounds.
grep -q ',ST,GS,0.0272 lb' "$tmp/balance.log" && grep -q ',US,GS,-0.0033 lb' "$tmp/balance.log" ||
    { cat "$tmp/balance.log" "$tmp/run.out"; fail "the log lacks the two records"; }

dpkg -r portivox >"$tmp/dpkg.log" 2>&1 || { cat "$tmp/dpkg.log"; fail "dpkg -r failed"; }
installed=""
[ ! -e /usr/bin/portivox ] || fail "/usr/bin/portivox is left after removal"
echo "package installed, ran the example and was removed"
