#!/usr/bin/env bash
# Upload speed and memory: a 500 MB bundle to the loopback HTTPS service
# (tests/upload/nginx_fixture.sh), once with `velt upload` and once with the
# curl program using the same TLS settings (TLS 1.0 to 1.2, the uploader's
# cipher list, Basic auth, the test CA). Prints both times, their ratio
# (aim: 1.1 or less) and the peak memory of `velt upload` (aim: below 32 MB).
#
#   bench/upload_bench.sh [BUILD_DIR] [SIZE_MB]
#
# BUILD_DIR (default: build) must hold cli/velt. Each tool runs five times;
# the best time of each counts.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
size_mb=${2:-500}
velt=$build/cli/velt
[ -x "$velt" ] || { echo "no velt program at $velt (build the velt target first)" >&2; exit 2; }

# The bundle and the server's files go to memory when /dev/shm has room, so
# that disk write-back stalls do not land on one tool's runs.
scratch=${TMPDIR:-/tmp}
if [ -d /dev/shm ] && [ "$(df -Pk /dev/shm | awk 'NR==2 {print $4}')" -gt $((size_mb * 3 * 1024)) ]; then
  scratch=/dev/shm
fi
work=$(mktemp -d "$scratch/velt-upload-bench-XXXXXX")
fixture_pid=""
cleanup() {
  if [ -n "$fixture_pid" ]; then
    kill -TERM "$fixture_pid" 2>/dev/null || true
    wait "$fixture_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

bash "$root/tests/upload/nginx_fixture.sh" "$work/server" $$ >"$work/fixture.log" 2>&1 &
fixture_pid=$!
for _ in $(seq 1 600); do
  [ -f "$work/server/fixture.env" ] && break
  kill -0 "$fixture_pid" 2>/dev/null || { cat "$work/fixture.log" >&2; exit 1; }
  sleep 0.1
done
# shellcheck disable=SC1091
. "$work/server/fixture.env"

bundle=$work/bench-bundle.zip
head -c "$((size_mb * 1024 * 1024))" /dev/urandom >"$bundle"
printf '%s\n' "$PASSWORD" >"$work/secret"
ciphers="ECDHE-RSA-AES256-GCM-SHA384:ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-SHA384:\
ECDHE-ECDSA-AES256-SHA384:DHE-RSA-AES256-GCM-SHA384:DHE-RSA-AES256-SHA256:AES256-GCM-SHA384:\
AES256-SHA256:AES256-SHA:ECDHE-RSA-AES128-GCM-SHA256:ECDHE-ECDSA-AES128-GCM-SHA256:\
ECDHE-RSA-AES128-SHA256:ECDHE-ECDSA-AES128-SHA256:DHE-RSA-AES128-GCM-SHA256:\
DHE-RSA-AES128-SHA256:DHE-RSA-AES128-SHA:AES128-GCM-SHA256:AES128-SHA256:AES128-SHA"

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
best() { printf '%s\n' "$@" | sort -g | head -1; }

velt_times=() curl_times=() velt_rss=()
for _ in 1 2 3 4 5; do
  rm -f "$UPLOAD_DIR/bench-bundle.zip"
  start=$(now)
  /usr/bin/time -v -o "$work/time.txt" "$velt" upload "$bundle" --quiet \
    --host "localhost:$PORT_GOOD" --user "$USER_NAME" --secret-file "$work/secret" \
    --ca-file "$CA_FILE" --log-file "$work/velt.log" >/dev/null
  velt_times+=("$(calc "$(now) - $start")")
  velt_rss+=("$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")")
  cmp -s "$bundle" "$UPLOAD_DIR/bench-bundle.zip" || { echo "velt upload: stored file differs" >&2; exit 1; }

  rm -f "$UPLOAD_DIR/bench-bundle.zip"
  start=$(now)
  curl -sS --fail -T "$bundle" -u "$USER_NAME:$PASSWORD" --basic --cacert "$CA_FILE" \
    --tlsv1.0 --tls-max 1.2 --ciphers "$ciphers" -A velt/4 \
    "https://localhost:$PORT_GOOD/home/bench-bundle.zip" -o /dev/null
  curl_times+=("$(calc "$(now) - $start")")
  cmp -s "$bundle" "$UPLOAD_DIR/bench-bundle.zip" || { echo "curl: stored file differs" >&2; exit 1; }
done

velt_best=$(best "${velt_times[@]}")
curl_best=$(best "${curl_times[@]}")
peak_kb=$(printf '%s\n' "${velt_rss[@]}" | sort -n | tail -1)
printf 'bundle:            %d MB to https://localhost:%s (loopback nginx)\n' "$size_mb" "$PORT_GOOD"
printf 'scratch folder:    %s\n' "$scratch"
printf 'velt upload:       %.2f s (best of 5; all: %s)\n' "$velt_best" "${velt_times[*]}"
printf 'curl -T:           %.2f s (best of 5; all: %s)\n' "$curl_best" "${curl_times[*]}"
printf 'time ratio:        %.3f (velt / curl; aim <= 1.1)\n' "$(calc "$velt_best / $curl_best")"
printf 'velt peak memory:  %.1f MB (maximum resident set; aim < 32 MB)\n' "$(calc "$peak_kb / 1024")"
