#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from the configured build tree and checks what it installs and depends on, that
# Debian's checker finds nothing wrong with it, that its desktop entry and metainfo validate, that apt could install
# it here, and that the packaged program starts.
# Usage: test-package.sh BUILD_DIR
set -euo pipefail
build=$(readlink -f "$1")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

for tool in dpkg-shlibdeps lintian appstreamcli desktop-file-validate; do
    command -v $tool >/dev/null || { echo "SKIPPED: $tool is not installed (tools/setup-debian.sh --tests)"; exit 77; }
done
(cd "$out" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1) \
    || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/*.deb)
echo "built $(basename "$deb"), $(stat -c %s "$deb") bytes"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/seo-quillmark ./usr/share/applications/seo-quillmark.desktop \
            ./usr/share/icons/hicolor/{16x16,48x48,256x256}/apps/seo-quillmark.png \
            ./usr/share/doc/seo-quillmark/{copyright,changelog.gz} ./usr/share/man/man1/seo-quillmark.1.gz \
            ./usr/share/metainfo/example.quillmark.seo_quillmark.metainfo.xml; do
    grep -qx "$path" <<<"$contents" || { echo "missing $path"; exit 1; }
done

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in libqt6widgets6 libqt6network6 libqt6gui6 libqt6core6 libqt6sql6-sqlite qt6-qpa-plugins fonts-wqy-microhei \
              iputils-ping xdg-utils; do
    grep -q "$needed" <<<"$depends" || { echo "Depends lacks $needed"; exit 1; }
done
[ "$(dpkg-deb -f "$deb" Package)" = seo-quillmark ] || { echo "wrong package name"; exit 1; }

# Any error or warning fails; an override would need a comment saying why.
status=0
report=$(lintian --fail-on error,warning "$deb" 2>&1) || status=$?
grep -v "running with root privileges" <<<"$report" || true
[ "$status" = 0 ] || { echo "lintian found errors or warnings"; exit 1; }

dpkg-deb -x "$deb" "$out/root"
# Hints too: more than one main category is only a hint, and puts the program in two menus.
entry=$(desktop-file-validate "$out/root/usr/share/applications/seo-quillmark.desktop" 2>&1) \
    && [ -z "$entry" ] || { echo "desktop-file-validate: $entry"; exit 1; }
# Infos too (a missing content rating is one), but for the identifier's top-level domain: the project's is
# .example, which AppStream's list of domains does not know.
metainfo=$(appstreamcli validate --no-net --no-color "$out"/root/usr/share/metainfo/*.metainfo.xml 2>&1) \
    || { echo "$metainfo"; exit 1; }
if grep -E '^[EWI]: ' <<<"$metainfo" | grep -v ': cid-maybe-not-rdns '; then
    echo "appstreamcli validate: see above"; exit 1
fi

# apt would pull in everything the package names (a simulation: nothing is changed on this machine).
apt-get install -s "$deb" >"$out/apt.log" 2>&1 || { cat "$out/apt.log"; exit 1; }

# The packaged program itself starts: still running after two seconds means it came up.
status=0
XDG_DATA_HOME="$out/data" XDG_CONFIG_HOME="$out/config" QT_QPA_PLATFORM=offscreen QUILLMARK_HOST_UPDATE=127.0.0.1:9 \
    timeout 2 "$out/root/usr/bin/seo-quillmark" || status=$?
[ "$status" = 124 ] || { echo "the packaged program exited with $status"; exit 1; }
echo "package ok"
