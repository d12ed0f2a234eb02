#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The newer columns' costs, each run of the real command line timed with its peak RSS:
# 1. the home page's columns over N loopback sites (1,000 by default; each a 301 to a 20 KB page): 首页标题
#    alone against all ten home-* columns with it, which must cost about the same (one fetch), with the
#    requests the sites saw;
# 2. the sitemap column on one site whose sitemap is 200 MB, plain and gzip, against one of ten addresses;
# 3. 必应收录, 搜狗收录 and 360收录 over N names against a local server answering with result pages written
#    in each engine's phrases, at the default pace (one request at a time).
# Needs root (port 80 on 127.60.x.y and 127.61.0.1). Run it niced: nice -n 19 bench/new-columns-figures.sh build
# Usage: bench/new-columns-figures.sh BUILD_DIR [SITES]
set -euo pipefail
program=$(readlink -f "$1/seo-quillmark")
sites=${2:-1000}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"

python3 - "$sites" "$work" "$here/../tests/data" >"$work/server.log" 2>&1 <<'PY' &
import asyncio, gzip, sys
sites, work, data = int(sys.argv[1]), sys.argv[2], sys.argv[3]
requests = {"home": 0}
meta = (b'<!DOCTYPE html><html><head><meta charset="utf-8"><title>Bench site</title>'
        b'<meta name="description" content="A page for timing"><meta name="keywords" content="a,b">'
        b'<link rel="canonical" href="/home"></head><body><h1>Welcome</h1>')
PAGE = meta + b"<p>" + b"x" * 20000 + b"</p></body></html>"
LONG = b"http://127.61.0.1/" + b"p" * 4000
ENTRY = b"<url><loc>" + LONG + b"</loc></url>\n"
HEAD = b'<?xml version="1.0"?><urlset xmlns="http://www.sitemaps.org/schemas/sitemap/0.9">\n'
SIZE = 200 * 1024 * 1024
ROBOTS = b"User-agent: *\nSitemap: http://127.61.0.1/%s\n"
SMALL = HEAD + b"".join(b"<url><loc>http://127.61.0.1/%d</loc></url>\n" % n for n in range(10)) + b"</urlset>"
# 200 MB of short addresses compress to a few MB; made once, before the run.
short = b"".join(b"<url><loc>http://127.61.0.1/%07d</loc></url>\n" % n for n in range(4000))
GZIP = gzip.compress(HEAD + short * (SIZE // len(short)) + b"</urlset>", 1)
pages = {f"/{name}": open(f"{data}/{name}", "rb").read() for name in
         ("bing-count.utf8.html", "sogou-count.utf8.html", "so-count.utf8.html")}
engines = {"/search": pages["/bing-count.utf8.html"], "/web": pages["/sogou-count.utf8.html"],
           "/s": pages["/so-count.utf8.html"]}

def head(status, length=None, extra=b""):
    size = b"Content-Length: %d\r\n" % length if length is not None else b""
    return b"HTTP/1.1 %s\r\nConnection: close\r\nServer: bench/1.0\r\n%s%s\r\n" % (status, size, extra)

async def site(reader, writer):
    try:
        line = (await reader.readuntil(b"\r\n\r\n")).split(b" ")[1]
        requests["home"] += 1
        if line == b"/":
            writer.write(head(b"301 Moved", 0, b"Location: /home\r\n"))
        else:
            writer.write(head(b"200 OK", len(PAGE)) + PAGE)
        await writer.drain()
    finally:
        writer.close()

async def sitemap_site(reader, writer):
    try:
        path = (await reader.readuntil(b"\r\n\r\n")).split(b" ")[1]
        kind = open(f"{work}/kind").read().strip().encode()
        if path == b"/robots.txt":
            body = ROBOTS % kind
            writer.write(head(b"200 OK", len(body)) + body)
        elif path == b"/small.xml":
            writer.write(head(b"200 OK", len(SMALL)) + SMALL)
        elif path == b"/big.xml.gz":
            writer.write(head(b"200 OK", len(GZIP), b"Content-Type: application/gzip\r\n") + GZIP)
        else:
            count = (SIZE - len(HEAD)) // len(ENTRY)
            writer.write(head(b"200 OK", len(HEAD) + count * len(ENTRY) + 9) + HEAD)
            for _ in range(count):
                writer.write(ENTRY)
                await writer.drain()
            writer.write(b"</urlset>")
        await writer.drain()
    except Exception:
        pass
    writer.close()

async def engine(reader, writer):
    try:
        path = (await reader.readuntil(b"\r\n\r\n")).split(b" ")[1].split(b"?")[0].decode()
        body = engines.get(path, b"")
        writer.write(head(b"200 OK", len(body), b"Content-Type: text/html; charset=utf-8\r\n") + body)
        await writer.drain()
    finally:
        writer.close()

async def report(reader, writer):
    writer.write(b"%d\n" % requests["home"])
    requests["home"] = 0
    await writer.drain()
    writer.close()

async def main():
    servers = [await asyncio.start_server(site, f"127.60.{n // 250}.{n % 250 + 1}", 80) for n in range(sites)]
    servers.append(await asyncio.start_server(sitemap_site, "127.61.0.1", 80))
    servers.append(await asyncio.start_server(engine, "127.61.0.2", 80))
    servers.append(await asyncio.start_server(report, "127.61.0.3", 80))
    print("ready", flush=True)
    await asyncio.Event().wait()

asyncio.run(main())
PY
until grep -q ready "$work/server.log" 2>/dev/null; do
    sleep 0.2
    if ! kill -0 %1 2>/dev/null; then cat "$work/server.log"; exit 1; fi
done
requests() { python3 -c "import socket; s=socket.create_connection(('127.61.0.3', 80)); print(s.recv(64).decode().strip())"; }
measure() { # label, names file, lookups
    local start end
    start=$(date +%s.%N)
    /usr/bin/time -f "%M" -o "$work/rss" "$program" --batch "$2" --lookups "$3" --format jsonl \
        --output "$work/out.jsonl" 2>/dev/null || true
    end=$(date +%s.%N)
    printf '%-44s %6.1f s  peak RSS %4d MiB' "$1" "$(echo "$end - $start" | bc)" $(( $(tail -1 "$work/rss") / 1024 ))
}

python3 -c "
for n in range($sites): print(f'127.60.{n // 250}.{n % 250 + 1}')" >"$work/sites.txt"
home=home-final,home-redirects,home-time,home-size,home-server,home-description,home-keywords,home-canonical,home-h1
requests >/dev/null
measure "$sites sites, 首页标题 alone" "$work/sites.txt" home-title
echo "  requests: $(requests)"
measure "$sites sites, 首页标题 and the nine home-* columns" "$work/sites.txt" "home-title,$home"
echo "  requests: $(requests)"
python3 - "$work/out.jsonl" <<'PY'
import collections, json, sys
seen = collections.Counter()
for line in open(sys.argv[1]):
    row = json.loads(line)
    seen[(row["home-redirects"], row["home-size"], row["home-server"], row["home-h1"])] += 1
for cells, n in seen.most_common(3):
    print(f"  {n:5d} × {cells}")
PY

echo 127.61.0.1 >"$work/one.txt"
for kind in small.xml big.xml big.xml.gz; do
    echo "$kind" >"$work/kind"
    measure "sitemap $kind" "$work/one.txt" robots,sitemap
    python3 -c "import json,sys; r=json.loads(open(sys.argv[1]).readline()); print('  ->', r['sitemap'], r['problems'].get('sitemap', ''))" "$work/out.jsonl" 2>/dev/null || echo
done

python3 -c "
for n in range($sites): print(f'site{n}.test')" >"$work/names.txt"
export QUILLMARK_HOST_BING=http://127.61.0.2 QUILLMARK_HOST_SOGOU=http://127.61.0.2 QUILLMARK_HOST_SO=http://127.61.0.2
measure "$sites names, 必应 + 搜狗 + 360 against fixtures" "$work/names.txt" bing-index,sogou-index,so-index
echo
python3 - "$work/out.jsonl" <<'PY'
import collections, json, sys
cells = collections.Counter()
for line in open(sys.argv[1]):
    row = json.loads(line)
    cells[(row["bing-index"], row["sogou-index"], row["so-index"], bool(row.get("problems")))] += 1
for (bing, sogou, so, marked), n in cells.items():
    print(f"  {n:5d} × bing {bing}, sogou {sogou}, 360 {so}{', marked' if marked else ''}")
PY
