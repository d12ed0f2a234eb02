#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Stands in for ping(8): logs its arguments, one per line, then answers by the host it was given.
for last; do :; done
[ -n "$FAKE_PING_LOG" ] && printf '%s\n' "$@" > "$FAKE_PING_LOG"
case "$last" in
    linger.test) echo "PING linger.test (10.1.2.3) 56(84) bytes of data."; sleep 20 ;;
    # Like ping, it names itself by the path it was started from.
    unknown.test|evil*) echo "$0: $last: Name or service not known" >&2; exit 2 ;;
    silent.test) sleep 20 ;;
    windows.test) printf 'Pinging windows.test [10.9.8.7] with 32 bytes of data:\r\nRequest timed out.\r\n' ;;
    # Every other host "resolves" to its own name, so an address written into the wrong row shows.
    *) echo "PING $last ($last) 56(84) bytes of data." ;;
esac
