#!/usr/bin/env bash
# Installs the Debian packages Portivox builds and tests with, if missing.
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev libx11-dev libxtst-dev libgtest-dev libgmock-dev
          libbenchmark-dev xvfb xauth dbus dbus-x11 openbox x11-utils xdotool procps
          fonts-freefont-ttf)
# Publishing to an MQTT broker; the broker itself for the tests.
packages+=(libmosquitto-dev mosquitto)
# Wayland keyboards (xkbcommon also reads layouts for uinput); a headless
# sway with foot terminals receives the Wayland keystroke tests.
packages+=(libwayland-dev libxkbcommon-dev sway foot)
# Building and checking the Debian package (tests/package).
packages+=(dpkg-dev file lintian)
# Japanese texts need a CJK font; the package recommends the same one.
packages+=(fonts-ipaexfont-gothic)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
