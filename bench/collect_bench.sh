#!/usr/bin/env bash
# A collect run over the two log corpora of bench/gen_log_corpus.py plus one
# entry of 200 quick commands, against the same work done with standard
# tools (cp -r, a shell loop, zip -9 -r, rm -rf) in the same run.
# Prints the time ratio (aim: 1.1 or less) and velt's peak memory (aim:
# below 64 MB).
#
# usage: bench/collect_bench.sh [BUILD_DIR] [WORK_DIR] [SCALE]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
work="${2:-$(mktemp -d /tmp/velt-collect-bench-XXXXXX)}"
scale="${3:-1}"
velt="$build/cli/velt"
[ -x "$velt" ] || { echo "build velt first: cmake --build $build --target velt" >&2; exit 2; }
{ command -v zip >/dev/null && [ -x /usr/bin/time ]; } || { echo "needs zip and /usr/bin/time" >&2; exit 2; }

corpus="$work/corpus"
if [ ! -d "$corpus/large" ] || [ ! -d "$corpus/small" ]; then
  python3 "$root/bench/gen_log_corpus.py" --out "$corpus" --corpus both --scale "$scale" >/dev/null
fi

# The configurations: one per corpus (each collects into its own folder of
# the bundle), with one copy action per corpus folder; and one entry of 200
# launched /bin/true commands.
install="$work/install"
rm -rf "$install"
mkdir -p "$install/xml/config"
for name in large small; do
  {
    echo "<config><configure><title>$name</title></configure>"
    echo "<file id=\"$name\"><description>Log corpus</description><default>true</default><velt><os opsys=\"linux\"><file_copy_action>"
    find "$corpus/$name" -name '*.log' -printf '%h\n' | sort -u | while read -r folder; do
      echo "<action><loc>$folder/*.log</loc></action>"
    done
    echo '</file_copy_action></os></velt></file>'
    if [ "$name" = small ]; then
      echo '<file id="commands"><description>Quick commands</description><default>true</default><velt><os opsys="linux"><use_extern_action>'
      for _ in $(seq 200); do echo '<action><args>/bin/true</args></action>'; done
      echo '</use_extern_action></os></velt></file>'
    fi
    echo '</config>'
  } > "$install/xml/config/$name.xml"
done

now() { date +%s.%N; }

# velt
rm -f "$work/velt.zip"
export TMPDIR="$work/tmp"; mkdir -p "$TMPDIR"
start=$(now)
/usr/bin/time -v -o "$work/velt.time" "$velt" collect --install-dir "$install" \
  --bundle "$work/velt.zip" --log-file "$work/velt.log" >/dev/null
velt_seconds=$(echo "$(now) - $start" | bc -l)
velt_rss=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$work/velt.time")

# The same work with standard tools.
rm -rf "$work/plain" "$work/plain.zip"
start=$(now)
mkdir -p "$work/plain"
cp -r "$corpus/large" "$corpus/small" "$work/plain/"
for _ in $(seq 200); do /bin/true; done
(cd "$work/plain" && zip -9 -r -q "$work/plain.zip" .)
rm -rf "$work/plain"
plain_seconds=$(echo "$(now) - $start" | bc -l)

printf 'velt collect:        %.2f s, peak RSS %d KB, bundle %d bytes\n' "$velt_seconds" "$velt_rss" \
  "$(stat -c %s "$work/velt.zip")"
printf 'cp + sh + zip + rm:  %.2f s, archive %d bytes\n' "$plain_seconds" "$(stat -c %s "$work/plain.zip")"
printf 'time ratio:          %.2f (aim: 1.1 or less)\n' "$(echo "$velt_seconds / $plain_seconds" | bc -l)"
printf 'peak memory:         %.1f MB (aim: below 64 MB)\n' "$(echo "$velt_rss / 1024" | bc -l)"
