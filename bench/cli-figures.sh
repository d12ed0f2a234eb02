#!/bin/bash
# The command line on 20,000 domains against local services (nginx answering every request at once):
# wall time, peak memory and the database's size. Usage: bench/cli-figures.sh BUILD_DIR [DOMAINS]
set -euo pipefail
program=$(readlink -f "$1/seo-quillmark")
count=${2:-20000}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
port=$(( 20000 + RANDOM % 20000 ))
cat >"$work/nginx.conf" <<CONF
daemon off; master_process off; worker_processes 1; pid $work/nginx.pid; error_log $work/error.log;
events { worker_connections 1024; }
http {
    access_log off; client_body_temp_path $work/body; proxy_temp_path $work/proxy;
    fastcgi_temp_path $work/fastcgi; uwsgi_temp_path $work/uwsgi; scgi_temp_path $work/scgi;
    server { listen 127.0.0.1:$port; location / { default_type text/html; alias $here/../tests/data/markers-all.gb2312.html; } }
}
CONF
nginx -p "$work" -c "$work/nginx.conf" &
sleep 1
seq "$count" | sed "s|^|127.0.0.1:$port/d|" >"$work/domains.txt"
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
for service in REGISTRAR ICP BAIDU ALEXA YAHOO; do export "QUILLMARK_HOST_$service=127.0.0.1:$port"; done
/usr/bin/time -f "%e s wall, %M KB peak resident" "$program" --batch "$work/domains.txt" --lookups all \
    --format jsonl --output "$work/out.jsonl" 2>"$work/stderr" || true
grep -v "^Command exited" "$work/stderr" | tail -2
echo "$(wc -l <"$work/out.jsonl") result lines; database $(du -k "$work/data/seo-quillmark/results.db" | cut -f1) KB"
