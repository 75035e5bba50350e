#!/usr/bin/env bash
# Times the engine's zip writer against Info-ZIP zip at the same level on
# two generated log corpora (about 200 files / 200 MB and about 5,000 files /
# 50 MB), with and without a password, and prints the wall-time ratio, the
# size ratio and the writer's peak memory.
#
# usage: bench/zip_bench.sh <build-dir> [work-dir] [runs]
#   <build-dir>  a build configured with -DVELT_BUILD_BENCH=ON in which the
#                zip_bench target is built (this script builds nothing)
#   [work-dir]   where corpora and archives go (default /tmp/velt-zip-bench);
#                corpora already there are reused
#   [runs]       runs per measurement, the fastest counts (default 3)
set -euo pipefail

if [[ $# -lt 1 ]]; then
  sed -n '2,13p' "$0"
  exit 2
fi
build=$(cd "$1" && pwd)
work=${2:-/tmp/velt-zip-bench}
runs=${3:-3}
here=$(cd "$(dirname "$0")" && pwd)
driver=$build/bench/zip_bench
password=bench-Pw-7

[[ -x $driver ]] || { echo "missing $driver: build the zip_bench target first" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "missing /usr/bin/time (Debian package 'time')" >&2; exit 1; }
command -v zip >/dev/null || { echo "missing zip (Debian package 'zip')" >&2; exit 1; }

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

# Wall time is what the aim is about; CPU time (user + system) is shown too
# because it moves less when the machine is busy with other work.
printf '%-6s %-8s %8s %8s %6s %8s %8s %6s %10s %10s %6s %9s %6s\n' corpus password engine_s zip_s \
  time engine_cpu zip_cpu cpu engine_B zip_B size engine_MB zip_MB
for corpus in large small; do
  source=$work/corpus/$corpus
  find "$source" -type f -exec cat {} + >/dev/null  # same page cache for both
  for mode in plain password; do
    best_engine=""; best_zip=""; cpu_engine=""; cpu_zip=""; rss_engine=0; rss_zip=0
    for ((i = 0; i < runs; i++)); do
      if [[ $mode == plain ]]; then
        read -r t tc m < <(run "$work/out/engine.zip" "$driver" "$source" "$work/out/engine.zip")
        read -r u uc n < <(cd "$source" && run "$work/out/infozip.zip" zip -9 -r -q "$work/out/infozip.zip" .)
      else
        read -r t tc m < <(run "$work/out/engine.zip" "$driver" "$source" "$work/out/engine.zip" "$password")
        read -r u uc n < <(cd "$source" && run "$work/out/infozip.zip" zip -9 -r -q -P "$password" "$work/out/infozip.zip" .)
      fi
      if [[ -z $best_engine ]] || awk "BEGIN{exit !($t < $best_engine)}"; then best_engine=$t; fi
      if [[ -z $best_zip ]] || awk "BEGIN{exit !($u < $best_zip)}"; then best_zip=$u; fi
      if [[ -z $cpu_engine ]] || awk "BEGIN{exit !($tc < $cpu_engine)}"; then cpu_engine=$tc; fi
      if [[ -z $cpu_zip ]] || awk "BEGIN{exit !($uc < $cpu_zip)}"; then cpu_zip=$uc; fi
      (( m > rss_engine )) && rss_engine=$m
      (( n > rss_zip )) && rss_zip=$n
    done
    engine_bytes=$(stat -c %s "$work/out/engine.zip")
    zip_bytes=$(stat -c %s "$work/out/infozip.zip")
    awk -v c="$corpus" -v p="$mode" -v te="$best_engine" -v tz="$best_zip" -v ce="$cpu_engine" \
        -v cz="$cpu_zip" -v se="$engine_bytes" -v sz="$zip_bytes" -v re="$rss_engine" -v rz="$rss_zip" 'BEGIN {
      printf "%-6s %-8s %8.2f %8.2f %6.3f %8.2f %8.2f %6.3f %10d %10d %6.4f %9.1f %6.1f\n",
             c, p, te, tz, te / tz, ce, cz, ce / cz, se, sz, se / sz, re / 1024, rz / 1024 }'
  done
done
rm -f "$work/out/engine.zip" "$work/out/infozip.zip" "$work/out/time.txt"
