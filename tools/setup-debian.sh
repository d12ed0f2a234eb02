#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building and running seo-Quillmark needs on Debian 12, skipping what is there.
# With --tests, also what the tests use: OpenSSL's headers, and for the end-to-end test a web server, a
# virtual display with a window manager, and tools to drive it; a D-Bus daemon for a notification server of the
# tests' own; clang-format and Python, which the sources and their layers are checked with; lintian, AppStream's
# and the desktop entry's validators, which the package is checked with.
set -eu

packages="cmake make g++ pkg-config dpkg-dev help2man file qt6-base-dev qt6-charts-dev qt6-tools-dev qt6-l10n-tools libqt6opengl6-dev qt6-qpa-plugins libqt6sql6-sqlite
          qt6-translations-l10n libzip-dev libc-ares-dev libpsl-dev publicsuffix libpcre2-dev libxlsxwriter-dev libuchardet-dev
          fonts-wqy-microhei
          iputils-ping xdg-utils"
if [ "${1:-}" = --tests ]; then
    shift
    packages="$packages nginx-light libssl-dev xvfb xauth xdotool xclip imagemagick x11-utils openbox
              dbus-daemon clang-format python3 lintian appstream desktop-file-utils"
fi
packages="$packages $*"

missing=""
for package in $packages; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing="$missing $package"
done
[ -z "$missing" ] && exit 0

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends $missing
