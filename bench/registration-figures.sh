#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The registration columns against local stand-ins:
#  - N .cn names (1,000 by default) against a port-43 server that answers after 100 ms, at the default
#    WHOIS pace (one at a time, 1 s apart, per server) and at 4 at once with no gap: time and share answered;
#  - 5,000 names against an RDAP server (nginx) that answers at once, at the default RDAP pace.
# Usage: bench/registration-figures.sh BUILD_DIR [CN_NAMES] [RDAP_NAMES]
set -euo pipefail
. "$(dirname "$0")/nginx.sh"
program=$(readlink -f "$1/seo-quillmark")
cn=${2:-1000}
rdap=${3:-5000}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
whois_port=$(( 20000 + RANDOM % 20000 ))
rdap_port=$(( whois_port + 1 ))
python3 - "$whois_port" <<'PY' &
import asyncio, sys
async def answer(reader, writer):
    name = (await reader.readline()).strip().decode()
    await asyncio.sleep(0.1)
    writer.write(f"Domain Name: {name}\r\nSponsoring Registrar: 示例注册商\r\nRegistration Time: 2003-03-17 12:20:05\r\n"
                 f"Expiration Time: 2027-03-17 12:48:36\r\n".encode())
    await writer.drain()
    writer.close()
async def main():
    server = await asyncio.start_server(answer, "127.0.0.1", int(sys.argv[1]), backlog=256)
    async with server:
        await server.serve_forever()
asyncio.run(main())
PY
start_nginx "$work" "127.0.0.1:$rdap_port" "location ~ ^/rdap/domain/(.+)\$ { default_type application/rdap+json;
    return 200 '{\"objectClassName\":\"domain\",\"ldhName\":\"\$1\",\"events\":[{\"eventAction\":\"expiration\",\"eventDate\":\"2030-01-02T00:00:00Z\"}]}'; }"
mkdir -p "$XDG_CACHE_HOME/seo-quillmark" "$XDG_CONFIG_HOME/seo-quillmark"
echo "{\"services\":[[[\"test\"],[\"http://127.0.0.1:$rdap_port/rdap/\"]]]}" >"$XDG_CACHE_HOME/seo-quillmark/rdap-dns.json"
sleep 1
seq "$cn" | sed 's/^/n/; s/$/.cn/' >"$work/cn.txt"
seq "$rdap" | sed 's/^/n/; s/$/.test/' >"$work/rdap.txt"
run() { # label, file, then settings lines
    local label=$1 file=$2
    shift 2
    printf '%s\n' "$@" >"$XDG_CONFIG_HOME/seo-quillmark/seo-quillmark.conf"
    local start=$(date +%s%N)
    QUILLMARK_HOST_WHOIS="127.0.0.1:$whois_port" "$program" --batch "$file" --lookups reg-status,reg-expiry \
        --format jsonl >"$work/out" 2>/dev/null || true
    local ms=$(( ($(date +%s%N) - start) / 1000000 ))
    echo "$label: $ms ms; $(grep -c '"reg-status":"已注册"' "$work/out") of $(wc -l <"$work/out") answered 已注册"
}
run "$rdap names, RDAP answering at once, default pace (2 at a time per server)" "$work/rdap.txt"
run "$cn .cn names, WHOIS after 100 ms, 4 at once, no gap" "$work/cn.txt" "[whois]" "concurrency=4" "gapMs=0"
run "$cn .cn names, WHOIS after 100 ms, default pace (1 at a time, 1 s apart)" "$work/cn.txt"
