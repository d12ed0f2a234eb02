#!/bin/sh
# Installs what building, running and testing seo-Quillmark needs on Debian 12, skipping what is there.
set -eu

packages="cmake make g++ dpkg-dev file qt6-base-dev qt6-qpa-plugins fonts-wqy-microhei iputils-ping xdg-utils"
[ "$#" -gt 0 ] && packages="$packages $*"

missing=""
for package in $packages; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing="$missing $package"
done
[ -z "$missing" ] && exit 0

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends $missing
