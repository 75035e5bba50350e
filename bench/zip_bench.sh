#!/usr/bin/env bash
# Times the engine's zip writer at several thread counts against Info-ZIP
# zip at the same level on two generated log corpora (about 200 files /
# 200 MB and about 5,000 files / 50 MB), with and without a password, and
# prints the wall-time ratio, the CPU-time ratio, the size ratio and the
# peak memory; on the large corpus also against `tar | pigz -9 -p2`, the
# same deflate work on two cores without the zip format.
#
# usage: bench/zip_bench.sh <build-dir> [work-dir] [runs] [threads...]
#   <build-dir>  a build configured with -DVELT_BUILD_BENCH=ON in which the
#                zip_bench target is built (this script builds nothing)
#   [work-dir]   where corpora and archives go (default /tmp/velt-zip-bench);
#                corpora already there are reused
#   [runs]       runs per measurement, the fastest counts (default 3)
#   [threads]    values of VELT_ZIP_THREADS to measure (default: 1 2)
set -euo pipefail

if [[ $# -lt 1 ]]; then
  sed -n '2,17p' "$0"
  exit 2
fi
build=$(cd "$1" && pwd)
work=${2:-/tmp/velt-zip-bench}
runs=${3:-3}
shift $(( $# < 3 ? $# : 3 ))
threads=("$@")
[[ ${#threads[@]} -gt 0 ]] || threads=(1 2)
here=$(cd "$(dirname "$0")" && pwd)
driver=$build/bench/zip_bench
password=bench-Pw-7

[[ -x $driver ]] || { echo "missing $driver: build the zip_bench target first" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "missing /usr/bin/time (Debian package 'time')" >&2; exit 1; }
command -v zip >/dev/null || { echo "missing zip (Debian package 'zip')" >&2; exit 1; }
command -v pigz >/dev/null || { echo "missing pigz (Debian package 'pigz')" >&2; exit 1; }

mkdir -p "$work/out"
for corpus in large small; do
  if [[ ! -d $work/corpus/$corpus ]]; then
    python3 "$here/gen_log_corpus.py" --out "$work/corpus" --corpus "$corpus"
  fi
done

# run <archive> <command...>: runs once under /usr/bin/time -v and prints
# "<wall seconds> <cpu seconds> <max-rss-kB>".
run() {
  local archive=$1
  shift
  rm -f "$archive"
  /usr/bin/time -v -o "$work/out/time.txt" "$@" >/dev/null
  awk -F': ' '
    /Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i] }
    /User time \(seconds\)|System time \(seconds\)/ { cpu += $2 }
    /Maximum resident set size/ { rss = $2 }
    END { printf "%.3f %.3f %d\n", s, cpu, rss }' "$work/out/time.txt"
}

# keep <name> <wall> <cpu> <rss>: the fastest wall and CPU time and the
# largest peak memory seen for <name>.
declare -A wall cpu rss
keep() {  # NAME "WALL CPU RSS": keeps the best of each
  local measures
  read -ra measures <<<"$2"
  set -- "$1" "${measures[@]}"
  if [[ -z ${wall[$1]:-} ]] || awk "BEGIN{exit !($2 < ${wall[$1]})}"; then wall[$1]=$2; fi
  if [[ -z ${cpu[$1]:-} ]] || awk "BEGIN{exit !($3 < ${cpu[$1]})}"; then cpu[$1]=$3; fi
  (( $4 > ${rss[$1]:-0} )) && rss[$1]=$4
  return 0
}

# Wall time is what the aim is about; CPU time (user + system) is shown too
# because it moves less when the machine is busy with other work.
printf '%-6s %-8s %7s %8s %8s %6s %8s %8s %6s %10s %10s %6s %9s %6s %7s %6s\n' corpus password \
  threads engine_s zip_s time engine_cpu zip_cpu cpu engine_B zip_B size engine_MB zip_MB \
  pigz_s pigz
for corpus in large small; do
  source=$work/corpus/$corpus
  find "$source" -type f -exec cat {} + >/dev/null  # same page cache for every tool
  for mode in plain password; do
    wall=(); cpu=(); rss=()
    pw=(); [[ $mode == password ]] && pw=(-P "$password")
    for ((i = 0; i < runs; i++)); do
      keep zip "$(cd "$source" && run "$work/out/infozip.zip" zip -9 -r -q "${pw[@]}" "$work/out/infozip.zip" .)"
      for t in "${threads[@]}"; do
        keep "engine$t" "$(VELT_ZIP_THREADS=$t run "$work/out/engine$t.zip" "$driver" "$source" \
                           "$work/out/engine$t.zip" ${pw[1]:+"${pw[1]}"})"
      done
      if [[ $corpus == large && $mode == plain ]]; then
        keep pigz "$(run "$work/out/pigz.tar.gz" sh -c \
                     "tar -cf - -C '$source' . | pigz -9 -p2 > '$work/out/pigz.tar.gz'")"
      fi
    done
    zip_bytes=$(stat -c %s "$work/out/infozip.zip")
    for t in "${threads[@]}"; do
      engine_bytes=$(stat -c %s "$work/out/engine$t.zip")
      awk -v c="$corpus" -v p="$mode" -v n="$t" -v te="${wall[engine$t]}" -v tz="${wall[zip]}" \
          -v ce="${cpu[engine$t]}" -v cz="${cpu[zip]}" -v se="$engine_bytes" -v sz="$zip_bytes" \
          -v re="${rss[engine$t]}" -v rz="${rss[zip]}" -v tp="${wall[pigz]:-0}" 'BEGIN {
        printf "%-6s %-8s %7d %8.2f %8.2f %6.3f %8.2f %8.2f %6.3f %10d %10d %6.4f %9.1f %6.1f",
               c, p, n, te, tz, te / tz, ce, cz, ce / cz, se, sz, se / sz, re / 1024, rz / 1024
        if (tp > 0) printf " %7.2f %6.3f\n", tp, te / tp; else printf " %7s %6s\n", "-", "-" }'
    done
  done
done
rm -f "$work/out/"*.zip "$work/out/pigz.tar.gz" "$work/out/time.txt"
