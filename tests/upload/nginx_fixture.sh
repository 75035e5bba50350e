#!/usr/bin/env bash
# A throw-away HTTPS upload service on loopback for the uploader's tests and
# benchmark.
#
#   nginx_fixture.sh WORKDIR [OWNER_PID]
#
# Makes a test PKI with the openssl command, writes an nginx configuration
# whose every path lies under WORKDIR, starts nginx as one foreground process
# on ports picked now, checks each server with a request and then writes
# WORKDIR/fixture.env (KEY=VALUE lines). It keeps running until it gets
# SIGTERM/SIGINT/SIGHUP or OWNER_PID goes away; on its way out it stops
# nginx by its process id, and when OWNER_PID is gone it removes WORKDIR.
#
# Servers (all on 127.0.0.1, and on ::1 when the host has it):
#   PORT_GOOD       certificate for localhost, 127.0.0.1 and ::1 (through an
#                   intermediate CA); WebDAV PUT below /home/ with Basic auth
#   PORT_OTHER      certificate for other-host.velt.test only
#   PORT_EXPIRED    certificate that expired in 2020
#   PORT_UNTRUSTED  certificate from a second CA that nobody trusts
#   PORT_REVOKED    certificate revoked in CA_CRL_FILE
#   PORT_TLS13      good certificate, TLS 1.3 only
#   PORT_ERROR      good certificate, answers 500 below /home/
#   PORT_REDIRECT   good certificate, answers 301 to https://localhost/elsewhere/
# and, on 127.0.0.1 only, the misbehaving servers of hostile_server.py (good
# certificate): PORT_ENDLESS, PORT_TRICKLE, PORT_CLOSE, PORT_RESET,
# PORT_HEADERS, PORT_LONGLINE.
set -euo pipefail

work=${1:?usage: nginx_fixture.sh WORKDIR [OWNER_PID]}
owner=${2:-}
mkdir -p "$work"
work=$(cd "$work" && pwd)
pki=$work/pki
nginx_pid=""
hostile_pid=""

stop_nginx() {
  if [ -n "$nginx_pid" ] && kill -0 "$nginx_pid" 2>/dev/null; then
    kill -TERM "$nginx_pid" 2>/dev/null || true
    # nginx finishes its requests and exits; give it a moment, then insist.
    for _ in $(seq 1 50); do
      kill -0 "$nginx_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$nginx_pid" 2>/dev/null || true
    wait "$nginx_pid" 2>/dev/null || true
  fi
  nginx_pid=""
}
# The owner is gone when it no longer exists or, being our parent, has left
# us to init (a killed parent can linger as a zombie that kill -0 still sees).
owner_gone() {
  [ -n "$owner" ] || return 1
  ! kill -0 "$owner" 2>/dev/null && return 0
  [ "$owner" = "$PPID" ] && [ "$(awk '{print $4}' /proc/$$/stat)" != "$owner" ]
}
stop_hostile() {
  if [ -n "$hostile_pid" ]; then
    kill -TERM "$hostile_pid" 2>/dev/null || true
    wait "$hostile_pid" 2>/dev/null || true
  fi
  hostile_pid=""
}
# A test that died leaves nobody to remove its folder: do it here.
on_exit() {
  stop_hostile
  stop_nginx
  if owner_gone; then
    rm -rf "$work"
  fi
}
trap 'on_exit' EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
trap 'exit 129' HUP

# ---- the test PKI ---------------------------------------------------------

ossl() { openssl "$@" 2>>"$work/openssl.log" >/dev/null; }

make_ca_dir() {  # NAME
  mkdir -p "$pki/$1/newcerts"
  : >"$pki/$1/index.txt"
  echo 1000 >"$pki/$1/serial"
  echo 1000 >"$pki/$1/crlnumber"
}

new_key() {  # FILE
  ossl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:prime256v1 -out "$1"
}

# Signs a request for a server certificate with `openssl ca`.
#   issue_server NAME CA_SECTION SAN [STARTDATE ENDDATE]
issue_server() {
  local name=$1 ca=$2 san=$3
  new_key "$pki/$name.key"
  ossl req -new -key "$pki/$name.key" -subj "/CN=$name" -out "$pki/$name.csr"
  cat >"$pki/$name.ext" <<EOF
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = $san
EOF
  local dates=(-days 30)
  if [ $# -ge 5 ]; then dates=(-startdate "$4" -enddate "$5"); fi
  ossl ca -batch -config "$pki/ca.cnf" -name "$ca" -in "$pki/$name.csr" \
    -out "$pki/$name.crt" -extfile "$pki/$name.ext" "${dates[@]}"
}

make_pki() {
  mkdir -p "$pki"
  make_ca_dir root
  make_ca_dir inter
  make_ca_dir rogue
  # One section per CA, all alike but for the folder.
  for ca in root inter rogue; do
    cat <<EOF
[ $ca ]
dir = $pki/$ca
database = \$dir/index.txt
new_certs_dir = \$dir/newcerts
certificate = \$dir/ca.crt
private_key = \$dir/ca.key
serial = \$dir/serial
crlnumber = \$dir/crlnumber
default_md = sha256
default_days = 30
default_crl_days = 30
policy = any_name
unique_subject = no
EOF
  done >"$pki/ca.cnf"
  cat >>"$pki/ca.cnf" <<EOF
[ any_name ]
commonName = supplied
[ ca_ext ]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
EOF
  # Two self-signed roots: the trusted one and a rogue one.
  for ca in root rogue; do
    new_key "$pki/$ca/ca.key"
    ossl req -new -x509 -key "$pki/$ca/ca.key" -subj "/CN=Velt Test $ca CA" -days 30 \
      -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
      -out "$pki/$ca/ca.crt"
  done
  # The intermediate that issues the trusted servers' certificates.
  new_key "$pki/inter/ca.key"
  ossl req -new -key "$pki/inter/ca.key" -subj "/CN=Velt Test Issuing CA" -out "$pki/inter/ca.csr"
  ossl ca -batch -config "$pki/ca.cnf" -name root -extensions ca_ext -in "$pki/inter/ca.csr" \
    -out "$pki/inter/ca.crt" -days 30

  local local_names="DNS:localhost, IP:127.0.0.1, IP:::1"
  issue_server good inter "$local_names"
  issue_server other inter "DNS:other-host.velt.test"
  issue_server expired inter "$local_names" 20200101000000Z 20200201000000Z
  issue_server revoked inter "$local_names"
  issue_server untrusted rogue "$local_names"
  ossl ca -config "$pki/ca.cnf" -name inter -revoke "$pki/revoked.crt"
  ossl ca -config "$pki/ca.cnf" -name inter -gencrl -out "$pki/inter.crl"

  for name in good other expired revoked; do
    cat "$pki/$name.crt" "$pki/inter/ca.crt" >"$pki/$name.chain.pem"
  done
  cp "$pki/untrusted.crt" "$pki/untrusted.chain.pem"
  cp "$pki/root/ca.crt" "$pki/trust.pem"
  cat "$pki/root/ca.crt" "$pki/inter.crl" >"$pki/trust-with-crl.pem"
}

# ---- nginx ----------------------------------------------------------------

free_ports() {  # COUNT: distinct ports nobody listens on right now
  python3 - "$1" <<'EOF'
import socket, sys
socks = []
for _ in range(int(sys.argv[1])):
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    socks.append(s)
print(" ".join(str(s.getsockname()[1]) for s in socks))
EOF
}

servers="GOOD OTHER EXPIRED UNTRUSTED REVOKED TLS13 ERROR REDIRECT"

have_ipv6() { grep -q '^0\{31\}1 ' /proc/net/if_inet6 2>/dev/null; }

server_block() {  # PORT CERT PROTOCOLS UPLOAD_LOCATION
  local listen="listen 127.0.0.1:$1 ssl;"
  if have_ipv6; then listen="$listen listen [::1]:$1 ssl;"; fi
  cat <<EOF
  server {
    $listen
    server_name localhost;
    ssl_certificate $pki/$2.chain.pem;
    ssl_certificate_key $pki/$2.key;
    ssl_protocols $3;
    root $work/www;
    location = /fixture-check { return 200 "ready\n"; }
    location /home/ { $4 }
  }
EOF
}

write_config() {
  local user_line=""
  if [ "$(id -u)" = 0 ]; then user_line="user root;"; fi
  local put="auth_basic \"velt upload\"; auth_basic_user_file $work/htpasswd;
      dav_methods PUT; create_full_put_path on; dav_access user:rw group:r all:r;"
  local all="TLSv1 TLSv1.1 TLSv1.2 TLSv1.3"
  cat >"$work/nginx.conf" <<EOF
daemon off;
master_process off;
$user_line
pid $work/nginx.pid;
error_log $work/logs/error.log info;
events { worker_connections 64; }
http {
  # One line a request: what the tests check about the connection.
  log_format upload '\$request_method \$uri \$status \$ssl_protocol \$ssl_cipher '
                    'user=\$remote_user agent=\$http_user_agent';
  access_log $work/logs/access.log upload;
  client_body_temp_path $work/tmp/body;
  proxy_temp_path $work/tmp/proxy;
  fastcgi_temp_path $work/tmp/fastcgi;
  uwsgi_temp_path $work/tmp/uwsgi;
  scgi_temp_path $work/tmp/scgi;
  client_max_body_size 0;
  default_type application/octet-stream;
$(server_block "$PORT_GOOD" good "$all" "$put")
$(server_block "$PORT_OTHER" other "$all" "$put")
$(server_block "$PORT_EXPIRED" expired "$all" "$put")
$(server_block "$PORT_UNTRUSTED" untrusted "$all" "$put")
$(server_block "$PORT_REVOKED" revoked "$all" "$put")
$(server_block "$PORT_TLS13" good "TLSv1.3" "$put")
$(server_block "$PORT_ERROR" good "$all" "return 500;")
$(server_block "$PORT_REDIRECT" good "$all" "return 301 https://localhost/elsewhere/;")
}
EOF
}

ready() {  # every server answers its own check location
  local name port
  for name in $servers; do
    port=PORT_$name
    curl -sk --max-time 2 -o /dev/null "https://127.0.0.1:${!port}/fixture-check" || return 1
  done
}

start_nginx() {
  local attempt names
  read -ra names <<<"$servers"
  for attempt in 1 2 3 4 5; do
    read -r "${names[@]/#/PORT_}" < <(free_ports 8)
    write_config
    : >"$work/logs/error.log"
    nginx -p "$work/" -c "$work/nginx.conf" -e "$work/logs/error.log" &
    nginx_pid=$!
    for _ in $(seq 1 100); do
      if ! kill -0 "$nginx_pid" 2>/dev/null; then break; fi
      if ready; then return 0; fi
      sleep 0.1
    done
    # Most likely someone took a port between picking and binding.
    echo "nginx did not come up (attempt $attempt):" >&2
    tail -5 "$work/logs/error.log" >&2 || true
    stop_nginx
  done
  return 1
}

make_pki
mkdir -p "$work/www/home" "$work/logs" "$work/tmp"
USER_NAME=velt-uploader
PASSWORD=$(openssl rand -hex 12)
echo "$USER_NAME:$(openssl passwd -apr1 "$PASSWORD")" >"$work/htpasswd"
# nginx's worker reads these as whoever it runs as.
chmod 755 "$work" "$work/www" "$work/www/home"
chmod 644 "$work/htpasswd"

start_nginx

# The misbehaving servers say their ports in one line once they listen.
exec {hostile_out}< <(exec python3 "$(dirname "$0")/hostile_server.py" "$pki/good.chain.pem" \
  "$pki/good.key")
hostile_pid=$!
read -r -t 30 -u "$hostile_out" hostile_ports || { echo "hostile_server.py did not start" >&2; exit 1; }

for name in $servers; do port=PORT_$name; echo "$port=${!port}"; done >"$work/fixture.env.tmp"
# One NAME=PORT word per line: the server prints them on one line.
# shellcheck disable=SC2086
printf '%s\n' $hostile_ports >>"$work/fixture.env.tmp"
cat >>"$work/fixture.env.tmp" <<EOF
IPV6=$(have_ipv6 && echo 1 || echo 0)
CA_FILE=$pki/trust.pem
CA_CRL_FILE=$pki/trust-with-crl.pem
USER_NAME=$USER_NAME
PASSWORD=$PASSWORD
UPLOAD_DIR=$work/www/home
ACCESS_LOG=$work/logs/access.log
NGINX_PID=$nginx_pid
EOF
mv "$work/fixture.env.tmp" "$work/fixture.env"

# Serve until told to stop, a server dies, or the owner is gone.
while kill -0 "$nginx_pid" 2>/dev/null && kill -0 "$hostile_pid" 2>/dev/null; do
  if owner_gone; then break; fi
  sleep 0.5 &
  wait $! || true
done
