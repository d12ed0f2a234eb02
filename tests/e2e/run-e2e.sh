#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end: the real program under Xvfb, driven with xdotool as a user would, against nginx on
# loopback and the real ping. Usage: run-e2e.sh PROGRAM ARTEFACT_DIR
# Exits 77 (skipped) only where the display or the loopback servers cannot be had.
set -uo pipefail

program=$(readlink -f "$1")
artefacts=$(mkdir -p "$2" && readlink -f "$2")
here=$(cd "$(dirname "$0")" && pwd)
skip() { echo "SKIPPED: $*"; exit 77; }

needed="nginx Xvfb xvfb-run xdotool xclip import xwininfo openbox ping"
missing() { for tool in $needed; do command -v "$tool" >/dev/null || echo "$tool"; done; }
[ -z "$(missing)" ] || skip "missing $(missing | tr '\n' ' ')(tools/setup-debian.sh --tests installs them)"

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
port=$(( 20000 + RANDOM % 20000 ))
sed -e "s|@PORT@|$port|g" -e "s|@DATA@|$(cd "$here/../data" && pwd)|g" -e "s|@TMP@|$work|g" "$here/nginx.conf.in" >"$work/nginx.conf"
nginx -p "$work" -c "$work/nginx.conf" &
for _ in $(seq 50); do [ -s "$work/nginx.pid" ] && break; sleep 0.1; done
[ -s "$work/nginx.pid" ] || skip "nginx could not start on loopback: $(cat "$work/error.log" 2>/dev/null)"

cat >"$work/session.sh" <<SESSION
#!/bin/bash
set -uo pipefail
for service in REGISTRAR ICP BAIDU ALEXA YAHOO UPDATE; do export "QUILLMARK_HOST_\$service=127.0.0.1:$port"; done
# Folders of its own: no saved batch of an earlier run offers itself for resuming.
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
unset QT_QPA_PLATFORM
openbox >/dev/null 2>&1 & sleep 1
"$program" >"$artefacts/program.log" 2>&1 &
pid=\$!
wid=\$(xdotool search --sync --name 'seo-Quillmark8.0' | head -1)
xdotool windowactivate --sync "\$wid"
X=\$(xwininfo -id "\$wid" | awk '/Absolute upper-left X/ {print \$4}')
# The designed client area lies under the menu bar: everything below is placed from its top.
Y=\$(( \$(xwininfo -id "\$wid" | awk '/Absolute upper-left Y/ {print \$4}') + \$(xwininfo -id "\$wid" | awk '/Height:/ {print \$2}') - 273 ))
at() { xdotool mousemove \$((X + \$1)) \$((Y + \$2)); }

# Replace the sample domains with ours, one per line.
at 60 40; xdotool click 1 key ctrl+a BackSpace
for domain in 127.0.0.2 127.0.0.3 127.0.0.2; do xdotool type --delay 20 "\$domain"; xdotool key Return; done
# Tick all eight boxes (two columns of four) and press Start.
for y in 16 40 64 88; do at 272 \$y; xdotool click 1; at 416 \$y; xdotool click 1; done
at 208 24; xdotool click 1

# Export every second until the clipboard holds the finished grid, as an impatient user would.
for attempt in \$(seq 60); do
    sleep 1; at 190 64; xdotool click 1; sleep 0.5; xdotool key Return
    xclip -selection clipboard -o >"$work/clipboard.txt" 2>/dev/null
    cmp -s "$work/clipboard.txt" "$here/expected-export.txt" && break
done
import -window root "$artefacts/e2e-window.png"
cmp "$work/clipboard.txt" "$here/expected-export.txt" || { cp "$work/clipboard.txt" "$artefacts/"; echo "clipboard differs"; exit 1; }

# Closing asks first; OK ends the program at once.
xdotool key alt+F4; sleep 0.5; xdotool key Return
for _ in \$(seq 50); do kill -0 \$pid 2>/dev/null || break; sleep 0.02; done
if kill -0 \$pid 2>/dev/null; then echo "still running a second after OK"; exit 1; fi
SESSION
chmod +x "$work/session.sh"

xvfb-run -a -s "-screen 0 1024x600x24" "$work/session.sh" || { echo "FAILED: see $artefacts"; exit 1; }
echo "nginx served $(wc -l <"$work/access.log") requests; screenshot in $artefacts/e2e-window.png"
