#!/bin/bash
# Builds the Debian package from the configured build tree and checks what it installs and depends on,
# that apt could install it here, and that the packaged program starts.
# Usage: test-package.sh BUILD_DIR
set -euo pipefail
build=$(readlink -f "$1")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

command -v dpkg-shlibdeps >/dev/null || { echo "SKIPPED: dpkg-dev is not installed"; exit 77; }
(cd "$out" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1) \
    || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/*.deb)
echo "built $(basename "$deb"), $(stat -c %s "$deb") bytes"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/seo-quillmark ./usr/share/applications/seo-quillmark.desktop \
            ./usr/share/icons/hicolor/{16x16,48x48,256x256}/apps/seo-quillmark.png; do
    grep -qx "$path" <<<"$contents" || { echo "missing $path"; exit 1; }
done

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in libqt6widgets6 libqt6network6 libqt6gui6 libqt6core6 libqt6sql6-sqlite qt6-qpa-plugins fonts-wqy-microhei \
              iputils-ping xdg-utils; do
    grep -q "$needed" <<<"$depends" || { echo "Depends lacks $needed"; exit 1; }
done
[ "$(dpkg-deb -f "$deb" Package)" = seo-quillmark ] || { echo "wrong package name"; exit 1; }

# apt would pull in everything the package names (a simulation: nothing is changed on this machine).
apt-get install -s "$deb" >"$out/apt.log" 2>&1 || { cat "$out/apt.log"; exit 1; }

# The packaged program itself starts: still running after two seconds means it came up.
dpkg-deb -x "$deb" "$out/root"
status=0
XDG_DATA_HOME="$out/data" XDG_CONFIG_HOME="$out/config" QT_QPA_PLATFORM=offscreen QUILLMARK_HOST_UPDATE=127.0.0.1:9 \
    timeout 2 "$out/root/usr/bin/seo-quillmark" || status=$?
[ "$status" = 124 ] || { echo "the packaged program exited with $status"; exit 1; }
echo "package ok"
