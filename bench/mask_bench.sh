#!/usr/bin/env bash
# Times the engine's masker on the large log corpus of bench/gen_log_corpus.py
# (about 200 files / 220 MB) against sed -E with the same number of patterns
# (every rule and token shape of the masker, translated to sed's syntax, one
# substitution each) and against the masker of an earlier commit, in the
# same run, and prints throughput, CPU time and peak memory.
#
# usage: bench/mask_bench.sh <build-dir> [work-dir] [runs]
#   <build-dir>  a build configured with -DVELT_BUILD_BENCH=ON in which the
#                mask_bench target is built (this script does not build it)
#   [work-dir]   where the corpus, its masked copies and the earlier
#                masker's build go (default /tmp/velt-mask-bench); what is
#                there already is reused
#   [runs]       runs per measurement, the fastest counts (default 3)
# OLD_COMMIT (default 607d434) is the commit whose masker is compared; it
# is built once from `git archive` into <work-dir>/old-build.
#
# Every side gets a fresh copy of the corpus (in the page cache) before
# every run. sed runs once over all files, writing to /dev/null (matching
# only) and in place (-i, the same job as the maskers'); the maskers
# rewrite only files they changed.
set -euo pipefail

if [[ $# -lt 1 ]]; then
  sed -n '2,21p' "$0"
  exit 2
fi
build=$(cd "$1" && pwd)
work=${2:-/tmp/velt-mask-bench}
runs=${3:-3}
old_commit=${OLD_COMMIT:-607d434}
here=$(cd "$(dirname "$0")" && pwd)
driver=$build/bench/mask_bench

[[ -x $driver ]] || { echo "missing $driver: build the mask_bench target first" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "missing /usr/bin/time (Debian package 'time')" >&2; exit 1; }

mkdir -p "$work"
if [[ ! -d $work/corpus/large ]]; then
  python3 "$here/gen_log_corpus.py" --out "$work/corpus" --corpus large
fi
old=$work/old-build/bench/mask_bench
if [[ ! -x $old ]]; then
  rm -rf "$work/old-src"
  mkdir -p "$work/old-src"
  git -C "$here/.." archive "$old_commit" | tar -x -C "$work/old-src"
  cmake -S "$work/old-src" -B "$work/old-build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELT_BUILD_BENCH=ON -DVELT_BUILD_TESTS=OFF >/dev/null
  cmake --build "$work/old-build" --target mask_bench -j"$(nproc)" >/dev/null
fi

# The masker's patterns in GNU sed's extended syntax: flags become the I
# flag, non-capturing and named groups plain groups, lazy quantifiers
# greedy ones, and bracket expressions are rewritten in POSIX order.
to_sed() {
  python3 -c '
import re, sys
def bracket(body):
    items, i = [], 0
    while i < len(body):
        c = body[i]
        if c == "\\" and i + 1 < len(body):
            e = body[i + 1]
            # GNU sed reads \n, \r and \t in a bracket expression as the characters.
            items.append({"s": " \\t", "n": "\\n", "r": "\\r", "t": "\\t"}.get(e, e))
            i += 2
        else:
            items.append(c)
            i += 1
    text = "".join(items)
    # "]" first, "-" last (unless it is a range), "\\" stays literal.
    closing = "]" if "]" in text else ""
    text = text.replace("]", "")
    dash = "-" if text.endswith("-") or text.startswith("-") else ""
    text = text.strip("-") if dash else text
    return closing + text + dash
for pattern in sys.stdin.read().split("\n"):
    if not pattern:
        continue
    flags = "I" if re.search(r"\(\?[a-z]*i[a-z]*\)", pattern) else ""
    pattern = re.sub(r"\(\?[a-z]+\)", "", pattern)
    pattern = pattern.replace("(?:", "(")
    pattern = re.sub(r"\(\?P<[a-z]+>", "(", pattern)
    out, i = "", 0
    while i < len(pattern):
        c = pattern[i]
        if c == "\\":
            e = pattern[i + 1]
            out += {"d": "[0-9]", "s": "[[:space:]]"}.get(e, "\\" + e)
            i += 2
        elif c == "[":
            j = i + 1
            negate = pattern[j] == "^"
            j += 1 if negate else 0
            k = j
            while pattern[k] != "]" or k == j:
                k += 2 if pattern[k] == "\\" else 1
            out += "[" + ("^" if negate else "") + bracket(pattern[j:k]) + "]"
            i = k + 1
        elif c == "?" and out and out[-1] in "*+?}":
            i += 1
        else:
            out += c
            i += 1
    print("s\x07%s\x07[MASKED]\x07g%s" % (out, flags))
'
}
"$driver" --patterns | to_sed > "$work/secrets.sed"
"$driver" --patterns --hosts --domain example.net | to_sed > "$work/hosts.sed"
for mode in secrets hosts; do
  sed -E -n -f "$work/$mode.sed" /dev/null || { echo "sed refuses $work/$mode.sed" >&2; exit 1; }
done
bytes=$(du -sb "$work/corpus/large" | cut -f1)

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
max() { awk -v a="$1" -v b="$2" 'BEGIN { print (a > b) ? a : b }'; }

printf 'corpus %.1f MB; patterns: %d (secrets), %d (hosts); old masker: %s\n' \
  "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')" "$(grep -c . "$work/secrets.sed")" \
  "$(grep -c . "$work/hosts.sed")" "$old_commit"
printf '%-8s %-10s %8s %8s %8s %8s\n' mode side wall_s MB_per_s cpu_s peak_MB
for mode in secrets hosts; do
  flags=()
  [[ $mode == hosts ]] && flags=(--hosts --domain example.net --mapping "$work/mapping.txt")
  declare -A wall=() cpu=() rss=()
  for ((i = 0; i < runs; i++)); do
    for side in masker old; do
      fresh
      program=$driver
      [[ $side == old ]] && program=$old
      read -r t c m < <(run "$program" "$work/run" "${flags[@]}")
      wall[$side]=$(min "$t" "${wall[$side]:-}"); cpu[$side]=$(min "$c" "${cpu[$side]:-}")
      rss[$side]=$(max "$m" "${rss[$side]:-0}")
    done
    fresh
    mapfile -t files < <(find "$work/run" -type f | sort)
    read -r t c m < <(run sed -E -f "$work/$mode.sed" "${files[@]}")
    wall[sed]=$(min "$t" "${wall[sed]:-}"); cpu[sed]=$(min "$c" "${cpu[sed]:-}")
    rss[sed]=$(max "$m" "${rss[sed]:-0}")
    read -r t c m < <(run sed -E -i -f "$work/$mode.sed" "${files[@]}")
    wall[sed-i]=$(min "$t" "${wall[sed-i]:-}"); cpu[sed-i]=$(min "$c" "${cpu[sed-i]:-}")
    rss[sed-i]=$(max "$m" "${rss[sed-i]:-0}")
  done
  for side in masker old sed sed-i; do
    awk -v mode="$mode" -v side="$side" -v t="${wall[$side]}" -v c="${cpu[$side]}" \
        -v r="${rss[$side]}" -v b="$bytes" 'BEGIN {
      printf "%-8s %-10s %8.2f %8.1f %8.2f %8.1f\n", mode, side, t, b / 1e6 / t, c, r / 1024 }'
  done
  unset wall cpu rss
done
rm -rf "$work/run" "$work/time.txt"
