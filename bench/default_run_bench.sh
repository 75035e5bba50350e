#!/usr/bin/env bash
# A full default run of the shipped configurations (velt collect
# --include-system-logs, as root, every area) against `sos report --batch
# --all-logs` (Debian's sosreport package, installed here when missing) on
# the same machine in the same run, the two taking turns. Prints each run's
# wall time and peak memory (GNU time: the largest process of the run's
# tree), the fastest run of each, their ratio, whether velt meets its
# targets, and the slowest commands of the configurations, each timed on
# its own.
#
# Targets (a 2-core machine): velt at most 10 s wall, at most 64 MB peak
# memory, at most 0.5 of sos's wall time.
#
# usage: bench/default_run_bench.sh [BUILD_DIR] [WORK_DIR] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
work="${2:-$(mktemp -d /tmp/velt-default-bench-XXXXXX)}"
runs="${3:-3}"
velt="$build/cli/velt"
[ "$(id -u)" = 0 ] || { echo "run this as root: both tools are meant to run so" >&2; exit 2; }
if ! command -v sos >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -o DPkg::Lock::Timeout=300 \
    --no-install-recommends sosreport >/dev/null
fi
for tool in "$velt" sos bc python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (build velt, or see scripts/install-deps.sh)" >&2; exit 2; }
done
mkdir -p "$work"

# timed NAME COMMAND...: runs the command under GNU time; sets seconds and mb.
timed() {
  local name=$1; shift
  /usr/bin/time -f '%e %M' -o "$work/$name.time" "$@" >"$work/$name.out" 2>&1 ||
    { echo "$name failed: $(tail -n 3 "$work/$name.out")" >&2; exit 1; }
  read -r seconds kb <"$work/$name.time"
  mb=$(echo "scale=1; $kb / 1024" | bc)
}

echo "load average at the start: $(cut -d ' ' -f 1-3 /proc/loadavg)"
best_velt="" best_sos=""
for run in $(seq "$runs"); do
  rm -f "$work/velt.zip" "$work/velt.zip.sha256"
  timed velt "$velt" collect --include-system-logs --install-dir "$root/install" \
    --bundle "$work/velt.zip" --log-file "$work/velt.log"
  printf 'run %d velt collect: %6.2f s, peak %5.1f MB\n' "$run" "$seconds" "$mb"
  if [ -z "$best_velt" ] || [ "$(echo "$seconds < $best_velt" | bc)" = 1 ]; then best_velt=$seconds; fi
  if [ -z "${peak_velt:-}" ] || [ "$(echo "$mb > $peak_velt" | bc)" = 1 ]; then peak_velt=$mb; fi

  rm -rf "$work/sos" && mkdir -p "$work/sos"
  timed sos sos report --batch --all-logs --quiet --tmp-dir "$work/sos"
  printf 'run %d sos report:   %6.2f s, peak %5.1f MB\n' "$run" "$seconds" "$mb"
  if [ -z "$best_sos" ] || [ "$(echo "$seconds < $best_sos" | bc)" = 1 ]; then best_sos=$seconds; fi
done
echo "load average at the end: $(cut -d ' ' -f 1-3 /proc/loadavg)"

ratio=$(echo "scale=2; $best_velt / $best_sos" | bc)
verdict() { [ "$(echo "$1" | bc)" = 1 ] && echo met || echo MISSED; }
printf '\nfastest of %d: velt %.2f s, sos %.2f s, ratio %.2f\n' "$runs" "$best_velt" "$best_sos" "$ratio"
printf 'velt: wall at most 10 s %s; peak memory %.1f MB, at most 64 MB %s; ratio at most 0.5 %s\n' \
  "$(verdict "$best_velt <= 10")" "$peak_velt" "$(verdict "$peak_velt <= 64")" "$(verdict "$ratio <= 0.5")"
printf 'bundle %d bytes, %d files; sos archive %d bytes\n' "$(stat -c %s "$work/velt.zip")" \
  "$(unzip -Z1 "$work/velt.zip" | grep -vc '/$')" "$(stat -c %s "$work"/sos/*.tar.xz)"

# Each command of the default entries, run on its own the way velt runs a
# line with shell syntax (sh -c, the commands' environment): where the time
# goes.
echo "slowest commands of the configurations, each timed on its own:"
python3 - "$root/install/xml/config" <<'PY'
import glob, os, subprocess, sys, time, xml.etree.ElementTree as ET
env = {"LC_ALL": "C", "PATH": "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin",
       "HOME": os.environ.get("HOME", "/root")}
steps = []
for path in sorted(glob.glob(os.path.join(sys.argv[1], "*.xml"))):
    for entry in ET.parse(path).getroot().findall("file"):
        branch = entry.find("velt/os[@opsys='linux']")
        if entry.findtext("default") != "true" or branch is None:
            continue
        for action in branch.findall("use_extern_action/*"):
            args = action.findtext("args").replace("%HOME%", env["HOME"])
            start = time.monotonic()
            subprocess.run(["sh", "-c", args], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, env=env)
            steps.append((time.monotonic() - start, entry.get("id"), args))
steps.sort(reverse=True)
print("  %d commands, %.2f s in all" % (len(steps), sum(s[0] for s in steps)))
for seconds, fileid, args in steps[:8]:
    print("  %6.2f s  %-16s %.70s" % (seconds, fileid, args))
PY
