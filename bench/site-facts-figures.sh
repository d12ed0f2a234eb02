#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The certificate and robots.txt columns over N names (1,000 by default) against local sites on ports 443
# and 80: a third with a valid certificate, a third with an expired one, a third that take the connection
# and never answer. Wall time at the default pace (32 at once for each), and the cells as they came out.
# Needs root (ports 80 and 443) and python3-cryptography.
# Usage: bench/site-facts-figures.sh BUILD_DIR [NAMES]
set -euo pipefail
program=$(readlink -f "$1/seo-quillmark")
names=${2:-1000}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
export QUILLMARK_CA_FILE="$work/ca.pem"
third=$(( (names + 2) / 3 ))

python3 - "$work" "$third" >"$work/server.log" 2>&1 <<'PY' &
import asyncio, datetime, ipaddress, ssl, sys
from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec
from cryptography.x509.oid import NameOID

work, count = sys.argv[1], int(sys.argv[2])
now = datetime.datetime.now(datetime.timezone.utc)
day = datetime.timedelta(days=1)
def hosts(block):
    return [f"127.{block}.{n // 250}.{n % 250 + 1}" for n in range(count)]

ca_key = ec.generate_private_key(ec.SECP256R1())
ca_name = x509.Name([x509.NameAttribute(NameOID.ORGANIZATION_NAME, "Bench CA"),
                     x509.NameAttribute(NameOID.COMMON_NAME, "Bench Root")])
ca = (x509.CertificateBuilder().subject_name(ca_name).issuer_name(ca_name).public_key(ca_key.public_key())
      .serial_number(1).not_valid_before(now - day).not_valid_after(now + 30 * day)
      .add_extension(x509.BasicConstraints(ca=True, path_length=None), critical=True).sign(ca_key, hashes.SHA256()))
open(f"{work}/ca.pem", "wb").write(ca.public_bytes(serialization.Encoding.PEM))

def context(addresses, start, end, name):
    key = ec.generate_private_key(ec.SECP256R1())
    san = x509.SubjectAlternativeName([x509.IPAddress(ipaddress.ip_address(a)) for a in addresses])
    cert = (x509.CertificateBuilder().subject_name(x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, name)]))
            .issuer_name(ca_name).public_key(key.public_key()).serial_number(x509.random_serial_number())
            .not_valid_before(start).not_valid_after(end).add_extension(san, critical=False).sign(ca_key, hashes.SHA256()))
    open(f"{work}/{name}.pem", "wb").write(cert.public_bytes(serialization.Encoding.PEM) + key.private_bytes(
        serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8, serialization.NoEncryption()))
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(f"{work}/{name}.pem")
    return ctx

ROBOTS = b"User-agent: *\nDisallow: /admin/\nSitemap: https://example.test/sitemap.xml\n"
async def robots(reader, writer):
    try:
        await reader.readuntil(b"\r\n\r\n")
        writer.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\nContent-Length: %d\r\n\r\n%s"
                     % (len(ROBOTS), ROBOTS))
        await writer.drain()
    except Exception:
        pass
    writer.close()

async def handshake(reader, writer):
    try:
        await reader.read()
    except Exception:
        pass
    writer.close()

async def silent(reader, writer):
    await reader.read()  # until the client gives up
    writer.close()

async def main():
    valid = context(hosts(40), now - day, now + 90 * day, "valid")
    expired = context(hosts(41), now - 60 * day, now - 3 * day, "expired")
    servers = []
    for block, ctx in ((40, valid), (41, expired)):
        for host in hosts(block):
            servers.append(await asyncio.start_server(handshake, host, 443, ssl=ctx))
            servers.append(await asyncio.start_server(robots, host, 80))
    for host in hosts(42):
        servers.append(await asyncio.start_server(silent, host, 443))
        servers.append(await asyncio.start_server(silent, host, 80))
    print("ready", flush=True)
    await asyncio.Event().wait()

asyncio.run(main())
PY
until grep -q ready "$work/server.log" 2>/dev/null; do
    sleep 0.2
    if ! kill -0 %1 2>/dev/null; then cat "$work/server.log"; exit 1; fi
done

# Interleaved, as a real list mixes them: valid, expired, silent, valid…
python3 -c "
n, t = $names, $third
for i in range(n):
    print(f'127.{40 + i % 3}.{(i // 3) // 250}.{(i // 3) % 250 + 1}')
" >"$work/names.txt"

start=$(date +%s.%N)
/usr/bin/time -f "%M" -o "$work/rss" "$program" --batch "$work/names.txt" --lookups tls-expiry,tls-issuer,robots \
    --format jsonl --output "$work/out.jsonl" 2>/dev/null || true
end=$(date +%s.%N)
printf '%d names, certificate + robots.txt, default pace: %.1f s, peak RSS %d MiB\n' "$names" \
    "$(echo "$end - $start" | bc)" $(( $(tail -1 "$work/rss") / 1024 ))
python3 - "$work/out.jsonl" <<'PY'
import collections, json, sys
kinds = collections.Counter()
for line in open(sys.argv[1]):
    row = json.loads(line)
    expiry = row["tls-expiry"]
    kinds[(row["domain"].split(".")[1], expiry[10:] if not row["problems"].get("tls-expiry") else row["problems"]["tls-expiry"],
           row["robots"])] += 1
for (block, what, robots), n in sorted(kinds.items()):
    print(f"  127.{block}.x.y  {n:4d}  {what}  | robots: {robots}")
PY
