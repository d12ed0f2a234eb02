# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the figure scripts: nginx in a folder of its own, in the foreground of a background job.
# start_nginx FOLDER LISTEN 'SERVER BLOCK CONTENTS' ['HTTP BLOCK LINES']
start_nginx() {
    local work=$1 listen=$2 server=$3 http=${4:-access_log off;}
    cat >"$work/nginx.conf" <<CONF
daemon off; master_process off; worker_processes 1; pid $work/nginx.pid; error_log $work/error.log;
events { worker_connections 1024; }
http {
    $http
    client_body_temp_path $work/body; proxy_temp_path $work/proxy;
    fastcgi_temp_path $work/fastcgi; uwsgi_temp_path $work/uwsgi; scgi_temp_path $work/scgi;
    server { listen $listen; $server }
}
CONF
    nginx -p "$work" -c "$work/nginx.conf" &
    sleep 1
}
