#!/usr/bin/env bash
# Times the engine's masker against sed -E with the same number of patterns
# (18 for secrets; 22 with host names and addresses) on the large log corpus
# of bench/gen_log_corpus.py (about 200 files / 220 MB), and prints the
# wall-time ratio and the masker's peak memory.
#
# usage: bench/mask_bench.sh <build-dir> [work-dir] [runs]
#   <build-dir>  a build configured with -DVELT_BUILD_BENCH=ON in which the
#                mask_bench target is built (this script builds nothing)
#   [work-dir]   where the corpus and its masked copies go (default
#                /tmp/velt-mask-bench); a corpus already there is reused
#   [runs]       runs per measurement, the fastest counts (default 3)
#
# Both sides get a fresh copy of the corpus before every run. sed runs once
# over all files, writing to /dev/null (matching only) and in place (-i, the
# same job as the masker's); the masker rewrites only files it changed.
set -euo pipefail

if [[ $# -lt 1 ]]; then
  sed -n '2,16p' "$0"
  exit 2
fi
build=$(cd "$1" && pwd)
work=${2:-/tmp/velt-mask-bench}
runs=${3:-3}
here=$(cd "$(dirname "$0")" && pwd)
driver=$build/bench/mask_bench

[[ -x $driver ]] || { echo "missing $driver: build the mask_bench target first" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "missing /usr/bin/time (Debian package 'time')" >&2; exit 1; }

mkdir -p "$work"
if [[ ! -d $work/corpus/large ]]; then
  python3 "$here/gen_log_corpus.py" --out "$work/corpus" --corpus large
fi

# The same kinds of patterns in sed's extended syntax, one substitution each.
key='[a-z0-9_.-]*(pass(word|wd|phrase|wort)|secret|token|api[_-]?key|(access|private|secret|preshared|account|auth|encryption|signing|master|wep|session|client)[_-]?key[0-9]*|privkey|psk|requirepass|masterauth)[a-z0-9_.-]*'
cat > "$work/secrets.sed" <<EOF
s/(^|\]: )([ \t]*["']?${key}["']?[ \t]*(=|:=?|=>)[ \t]*)("[^"]*"|'[^']*'|[^ \t].*)\$/\1\2[MASKED]/Ig
s/(["']${key}["']?[ \t]*(:|=>?)[ \t]*)("[^"]*"|'[^']*'|[^ \t,;&"'<>(){}]+)/\1[MASKED]/Ig
s/(${key}["']?[ \t]*=[ \t]*)("[^"]*"|'[^']*'|[^ \t,;&"'<>(){}]+)/\1[MASKED]/Ig
s/^([ \t]*${key}[ \t]+)[^ \t=:]+[ \t]*\$/\1[MASKED]/Ig
s/(<([a-z0-9_.-]+:)?${key}([ \t][^>]*)?>)[^<]+<\//\1[MASKED]<\//Ig
s/(\b(key|name)[ \t]*=[ \t]*["']${key}["'][ \t]+value[ \t]*=[ \t]*["'])[^"']*/\1[MASKED]/Ig
s/((^|[ \t"'])--?${key}[ \t]+)("[^"]*"|'[^']*'|[^- \t"'][^ \t"']*)/\1[MASKED]/Ig
s/((^|[ \t\/])((mysql|mysqldump|mysqladmin|mysqlimport|mysqlcheck|mysqlshow|mysqlpump|mariadb|mariadb-dump|mariadb-admin|mariadb-import|mariadb-check)[ \t](.*[ \t])?-p|sshpass[ \t](.*[ \t])?-p[ \t]*))[^ \t]+/\1[MASKED]/g
s/((^|[ \t\/])curl[ \t](.*[ \t])?(-u|--user|--proxy-user|-U)([ \t]+|=)?["']?[^: \t"']*:)[^ \t"']+/\1[MASKED]/g
s/(-pass(in|out)?[ \t]+pass:)[^ \t"']+/\1[MASKED]/Ig
s/(\b(proxy-)?authori[sz]ation["']?[ \t]*[:=][ \t]*["']?((basic|bearer|digest|negotiate|ntlm|token|aws4-hmac-sha256)[ \t]+)?)[^ \t"'][^"']*/\1[MASKED]/Ig
s/(\b(set-)?cookie["']?[ \t]*:[ \t]*["']?)[^ \t"'][^"']*/\1[MASKED]/Ig
s/(\b[a-z][a-z0-9+.-]*:\/\/[^\/ \t:@"'<>]*:)[^\/ \t@"'<>]+@/\1[MASKED]@/Ig
s/-----BEGIN[ A-Z0-9]*PRIVATE KEY( BLOCK)?-----/&/g
s/-----END[ A-Z0-9]*PRIVATE KEY( BLOCK)?-----/&/g
s/\beyJ[A-Za-z0-9_-]{8,}\.eyJ[A-Za-z0-9_-]{8,}\.[A-Za-z0-9_-]*/[MASKED]/g
s/(\bbearer[ \t]+)[A-Za-z0-9._~+\/=-]{8,}/\1[MASKED]/Ig
s/\b((AKIA|ASIA|AGPA|AIDA|AROA|AIPA|ANPA|ANVA|APKA)[A-Z0-9]{16}|AIza[0-9A-Za-z_-]{35}|gh[pousr]_[A-Za-z0-9]{36,}|github_pat_[A-Za-z0-9_]{22,}|glpat-[A-Za-z0-9_-]{20,}|xox[abposr]-[A-Za-z0-9-]{10,}|[sr]k_live_[0-9A-Za-z]{24,})\b/[MASKED]/g
EOF
octet='(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])'
{
  cat "$work/secrets.sed"
  cat <<EOF
s/\b$octet(\.$octet){3}\b/192.0.2.1/g
s/[0-9a-f]*::[0-9a-f]*|[0-9a-f]{1,4}(:[0-9a-f]{1,4}){7}/2001:db8::1/Ig
s/\b([0-9a-f]{2}:){5}[0-9a-f]{2}\b|\b([0-9a-f]{2}-){5}[0-9a-f]{2}\b|\b[0-9a-f]{4}\.[0-9a-f]{4}\.[0-9a-f]{4}\b/02:00:00:00:00:01/Ig
s/([a-z0-9_-]+\.)*example\.net|vm/host1.domain1.invalid/Ig
EOF
} > "$work/hosts.sed"
[[ $(grep -c . "$work/secrets.sed") == 18 && $(grep -c . "$work/hosts.sed") == 22 ]] ||
  { echo "the sed scripts lost a pattern" >&2; exit 1; }

# run <command...>: runs once under /usr/bin/time -v and prints
# "<wall seconds> <cpu seconds> <max-rss-kB>".
run() {
  /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null
  awk -F': ' '
    /Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i] }
    /User time \(seconds\)|System time \(seconds\)/ { cpu += $2 }
    /Maximum resident set size/ { rss = $2 }
    END { printf "%.3f %.3f %d\n", s, cpu, rss }' "$work/time.txt"
}

fresh() {
  rm -rf "$work/run"
  cp -r "$work/corpus/large" "$work/run"
  find "$work/run" -type f -exec cat {} + >/dev/null  # same page cache for every side
}

min() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }

printf '%-8s %9s %9s %9s %7s %10s %10s %9s\n' mode masker_s sed_null_s sed_i_s ratio masker_cpu sed_cpu masker_MB
for mode in secrets hosts; do
  flags=()
  [[ $mode == hosts ]] && flags=(--hosts --domain example.net --mapping "$work/mapping.txt")
  best=""; bestNull=""; bestInPlace=""; cpu=""; sedCpu=""; rss=0
  for ((i = 0; i < runs; i++)); do
    fresh
    read -r t tc m < <(run "$driver" "$work/run" "${flags[@]}")
    fresh
    mapfile -t files < <(find "$work/run" -type f | sort)
    read -r u uc _ < <(run sed -E -f "$work/$mode.sed" "${files[@]}")
    read -r v _ _ < <(run sed -E -i -f "$work/$mode.sed" "${files[@]}")
    best=$(min "$t" "$best"); bestNull=$(min "$u" "$bestNull"); bestInPlace=$(min "$v" "$bestInPlace")
    cpu=$(min "$tc" "$cpu"); sedCpu=$(min "$uc" "$sedCpu")
    (( m > rss )) && rss=$m
  done
  awk -v mode="$mode" -v t="$best" -v u="$bestNull" -v v="$bestInPlace" -v c="$cpu" -v d="$sedCpu" \
      -v r="$rss" 'BEGIN {
    printf "%-8s %9.2f %9.2f %9.2f %7.3f %10.2f %10.2f %9.1f\n", mode, t, u, v, t / u, c, d, r / 1024 }'
done
rm -rf "$work/run" "$work/time.txt"
