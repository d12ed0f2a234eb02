#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Peak memory of the registration columns when every WHOIS answer is 1 MiB (the most a server may send) of
# bytes that are not UTF-8, against a local port-43 server:
#  - the base: one .cn name answered by a short record;
#  - one name, then 128 names at 64 in flight, for each kind of answer: GB18030 text in 80-byte lines,
#    GB18030 text on one line, random bytes, and bytes no encoding reads in lines of one byte;
#  - `--version` with a user's whois-registries.json of 25,000 entries (2 MB), against none.
# Usage: bench/whois-memory.sh BUILD_DIR [registries]   (registries: the `--version` figures alone)
set -euo pipefail
program=$(readlink -f "$1/seo-quillmark")
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
port=$(( 20000 + RANDOM % 20000 ))
echo short >"$work/kind"
python3 - "$port" "$work/kind" <<'PY' &
import asyncio, os, sys
MIB = 1024 * 1024
line = "注册商: 北京新网数码信息技术有限公司 过期时间: 2029年03月17日\r\n".encode("gb18030")
answers = {
    "short": "Domain Name: {name}\r\nSponsoring Registrar: 示例\r\nExpiration Time: 2027-03-17 12:48:36\r\n",
    "lines": (line * (MIB // len(line) + 1))[:MIB],
    "oneline": (line.replace(b"\r\n", b"  ") * (MIB // len(line) + 1))[:MIB],
    "random": os.urandom(MIB),
    "breaks": (b"\xa1\r\n" * (MIB // 3 + 1))[:MIB],
}
async def answer(reader, writer):
    name = (await reader.readline()).strip().decode()
    body = answers[open(sys.argv[2]).read().strip()]
    writer.write(body.format(name=name).encode() if isinstance(body, str) else body)
    await writer.drain()
    writer.close()
async def main():
    server = await asyncio.start_server(answer, "127.0.0.1", int(sys.argv[1]), backlog=256)
    async with server:
        await server.serve_forever()
asyncio.run(main())
PY
mkdir -p "$XDG_CONFIG_HOME/seo-quillmark"
printf '[whois]\nconcurrency=64\ngapMs=0\n' >"$XDG_CONFIG_HOME/seo-quillmark/seo-quillmark.conf"
until python3 -c "import socket,sys; socket.create_connection(('127.0.0.1', int(sys.argv[1])))" "$port" 2>/dev/null; do
    sleep 0.2
done
run() { # kind, names
    echo "$1" >"$work/kind"
    seq "$2" | sed 's/^/n/; s/$/.cn/' >"$work/names.txt"
    QUILLMARK_HOST_WHOIS="127.0.0.1:$port" /usr/bin/time -v "$program" --batch "$work/names.txt" \
        --lookups reg-status,reg-registrar --format jsonl >"$work/out" 2>"$work/time" || true
    local kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time")
    echo "$1, $2 name(s): peak $(( kb / 1024 )) MB; first row: $(head -1 "$work/out" | cut -c1-160)"
}
version() { # label
    /usr/bin/time -v "$program" --version >/dev/null 2>"$work/time" || true
    echo "--version, $1: peak $(( $(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time") / 1024 )) MB"
}
version "no file of the user's"
python3 - "$XDG_CONFIG_HOME/seo-quillmark/whois-registries.json" <<'PY'
import json, sys
entries = [{"server": f"whois.n{i}.test", "suffixes": [f"n{i}"], "notFound": ["no such name"]} for i in range(25000)]
json.dump({"registries": entries}, open(sys.argv[1], "w"), separators=(",", ":"))
PY
echo "user's file: $(stat -c %s "$XDG_CONFIG_HOME/seo-quillmark/whois-registries.json") bytes"
version "25,000 entries of the user's"
rm "$XDG_CONFIG_HOME/seo-quillmark/whois-registries.json"
[ "${2:-}" = registries ] && exit 0
run short 1
for kind in lines oneline random breaks; do
    run "$kind" 1
    run "$kind" 128
done
