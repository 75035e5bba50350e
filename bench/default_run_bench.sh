#!/usr/bin/env bash
# A full default run of the shipped configurations (velt collect
# --include-system-logs, as root) against the same commands and copies done
# by a plain shell loop followed by zip -9 -r, in the same run. Prints the
# fastest time of each, their ratio, velt's peak memory, the bundle sizes and
# the five slowest commands of the loop. Aim: velt under 15 s on a 2-core
# machine.
#
# usage: bench/default_run_bench.sh [BUILD_DIR] [WORK_DIR] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
work="${2:-$(mktemp -d /tmp/velt-default-bench-XXXXXX)}"
runs="${3:-3}"
velt="$build/cli/velt"
for tool in "$velt" zip unzip bc python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (build velt, or see scripts/install-deps.sh)" >&2; exit 2; }
done
[ "$(id -u)" = 0 ] || echo "warning: not root; the run differs from a support run" >&2
mkdir -p "$work"

# The loop: what the default entries' Linux branches run and copy, one line
# each; given a second argument, each step's time goes into that file
# (tab-separated seconds and command).
python3 - "$root/install/xml/config" >"$work/loop.sh" <<'PY'
import glob, os, shlex, sys, xml.etree.ElementTree as ET
home = os.environ.get("HOME", "/root")
print('out="$1"; times="${2:-}"; [ -z "$times" ] || : >"$times"')
print('step() {')
print('  [ -n "$times" ] || { "$@"; return; }')
print('  local s=$(date +%s.%N); "$@"; printf "%s\\t%s\\n" "$(echo "$(date +%s.%N) - $s" | bc)" "$*" >>"$times"')
print('}')
for path in sorted(glob.glob(os.path.join(sys.argv[1], "*.xml"))):
    config = ET.parse(path).getroot()
    folder = shlex.quote(config.findtext("configure/title"))
    print(f'mkdir -p "$out"/{folder}')
    for entry in config.findall("file"):
        branch = entry.find("velt/os[@opsys='linux']")
        if entry.findtext("default") != "true" or branch is None:
            continue
        for action in branch.findall("use_extern_action/*"):
            args = action.findtext("args").replace("%HOME%", home)
            target = shlex.quote(action.findtext("temp_out") or "out.txt")
            print(f'step sh -c {shlex.quote(args)} >>"$out"/{folder}/{target} 2>&1')
        for action in branch.findall("file_copy_action/*"):
            loc = action.findtext("loc").replace("%HOME%", home).replace("\\", "/")
            print(f'step sh -c {shlex.quote("cp -p " + loc + " " + chr(34) + "$0" + chr(34) + " 2>/dev/null")} "$out"/{folder}')
print("exit 0  # a location without a match is no failure of the loop")
PY

now() { date +%s.%N; }
best_velt="" best_loop=""
for run in $(seq "$runs"); do
  rm -f "$work/velt.zip"
  start=$(now)
  /usr/bin/time -v -o "$work/velt.time" "$velt" collect --include-system-logs \
    --install-dir "$root/install" --bundle "$work/velt.zip" --log-file "$work/velt.log" >/dev/null
  seconds=$(echo "$(now) - $start" | bc -l)
  rss=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$work/velt.time")
  printf 'run %d velt collect: %.2f s, peak RSS %.1f MB\n' "$run" "$seconds" "$(echo "$rss / 1024" | bc -l)"
  if [ -z "$best_velt" ] || [ "$(echo "$seconds < $best_velt" | bc)" = 1 ]; then best_velt=$seconds best_rss=$rss; fi

  rm -rf "$work/plain" "$work/plain.zip"
  start=$(now)
  mkdir -p "$work/plain"
  bash "$work/loop.sh" "$work/plain"
  (cd "$work/plain" && zip -9 -r -q "$work/plain.zip" .)
  rm -rf "$work/plain"
  seconds=$(echo "$(now) - $start" | bc -l)
  printf 'run %d shell loop:   %.2f s\n' "$run" "$seconds"
  if [ -z "$best_loop" ] || [ "$(echo "$seconds < $best_loop" | bc)" = 1 ]; then best_loop=$seconds; fi
done

printf '\nfastest of %d: velt %.2f s, shell loop + zip %.2f s, ratio %.2f (aim: velt under 15 s)\n' \
  "$runs" "$best_velt" "$best_loop" "$(echo "$best_velt / $best_loop" | bc -l)"
printf 'velt peak RSS %.1f MB; bundle %d bytes, loop archive %d bytes (%d files vs %d)\n' \
  "$(echo "$best_rss / 1024" | bc -l)" "$(stat -c %s "$work/velt.zip")" "$(stat -c %s "$work/plain.zip")" \
  "$(unzip -Z1 "$work/velt.zip" | grep -vc '/$')" "$(unzip -Z1 "$work/plain.zip" | grep -vc '/$')"
mkdir -p "$work/plain" && bash "$work/loop.sh" "$work/plain" "$work/loop.times" && rm -rf "$work/plain"
echo "slowest steps of the loop, timed one by one:"
sort -rn "$work/loop.times" | head -n 5 | awk -F'\t' '{ printf "  %6.2f s  %.90s\n", $1, $2 }'
