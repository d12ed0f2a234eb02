#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Hosts for bench_figures many-hosts, on port 80: 127.10.x.y answer with a page of one outbound link,
127.20.x.y accept and never say a word; nothing listens on 127.30.x.y, so those refuse."""
import asyncio
import sys

BODY = b'<html><body><a href="http://other.test/">x</a></body></html>'
PAGE = b"HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: %d\r\n\r\n%s" % (len(BODY), BODY)


async def answer(reader, writer):
    try:
        await reader.readuntil(b"\r\n\r\n")
        writer.write(PAGE)
        await writer.drain()
    finally:
        writer.close()


async def silent(reader, writer):
    await reader.read()  # until the client gives up
    writer.close()


async def main(count):
    servers = []
    for n in range(count):
        servers.append(await asyncio.start_server(answer, f"127.10.{n // 250}.{n % 250 + 1}", 80))
        servers.append(await asyncio.start_server(silent, f"127.20.{n // 250}.{n % 250 + 1}", 80))
    print("ready", flush=True)
    await asyncio.Event().wait()


asyncio.run(main(int(sys.argv[1]) if len(sys.argv) > 1 else 1667))
