#!/usr/bin/env bash
# Compares helperUtil's file operations with the standard tools on the same
# data in the same run, and prints the ratios (engine time / tool time):
#   - fileCopy of a 1 GiB file against cp
#   - fileCopy of a 16 GiB sparse file (64 MiB of data) against cp
#   - fileCopy of a folder of 20,000 files in 20 folders against cp -r
#   - fileFindAll ("*") over a folder of 100,000 entries against ls -f
#   - fileDeleteDirectory of a tree of 20,000 files against rm -rf
# Usage: bench/file_ops_bench.sh [build-dir] (default: build-fileops-bench)
# Each figure is the median of RUNS runs (default 3). Work space: $TMPDIR.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build-fileops-bench}
RUNS=${RUNS:-3}
if [ ! -x "$BUILD/bench/file_ops_bench" ]; then
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DVELT_BUILD_BENCH=ON -DVELT_BUILD_TESTS=OFF >/dev/null
  cmake --build "$BUILD" --target file_ops_bench -j"$(nproc)" >/dev/null
fi
BENCH="$BUILD/bench/file_ops_bench"
WORK=$(mktemp -d "${TMPDIR:-/tmp}/velt-fileops-XXXXXX")
trap 'rm -rf "$WORK"' EXIT

now() { date +%s.%N; }
# Wall time of a command in seconds.
timed() { local s e; s=$(now); "$@" >/dev/null; e=$(now); awk -v s="$s" -v e="$e" 'BEGIN {printf "%.4f", e - s}'; }
engine_time() { "$BENCH" "$@" | sed -n 's/.*seconds=\([0-9.]*\).*/\1/p'; }
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

# Many small files in 20 folders, written by one process.
make_tree() {
  python3 - "$1" "$2" <<'PY'
import os, sys
root, n = sys.argv[1], int(sys.argv[2])
per = max(1, n // 20)
for i in range(n):
    d = os.path.join(root, "d%02d" % (i // per))
    if i % per == 0:
        os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "f%06d.log" % i), "w") as f:
        f.write("x")
PY
}

# Copies $1 RUNS times with fileCopy and with the tool command given after
# the label ($2), checks the copy and prints the medians and their ratio.
compare_copy() {
  local source=$1 label=$2 ours=() theirs=() a b
  shift 2
  for _ in $(seq "$RUNS"); do
    rm -rf "$WORK/ours" "$WORK/theirs"
    sync
    ours+=("$(engine_time copy "$source" "$WORK/ours")")
    sync
    theirs+=("$(timed "$@" "$source" "$WORK/theirs")")
  done
  diff -r "$source" "$WORK/ours" >/dev/null || { echo "copy differs"; exit 1; }
  [ ! -f "$source" ] || echo "allocated: source $(du -k "$source" | cut -f1) KiB, copy $(du -k "$WORK/ours" | cut -f1) KiB"
  a=$(median "${ours[@]}"); b=$(median "${theirs[@]}")
  echo "fileCopy ${a}s  $label ${b}s  ratio $(ratio "$a" "$b")"
  rm -rf "$source" "$WORK/ours" "$WORK/theirs"
}

echo "== fileCopy, 1 GiB"
head -c $((1 << 30)) /dev/urandom > "$WORK/big.bin"
cat "$WORK/big.bin" > /dev/null
compare_copy "$WORK/big.bin" cp cp

echo "== fileCopy, 16 GiB sparse file with 64 MiB of data"
python3 - "$WORK/sparse.bin" <<'PY'
import os, sys
with open(sys.argv[1], "wb") as f:
    for i in range(64):  # 1 MiB of data every 256 MiB
        f.seek(i << 28)
        f.write(os.urandom(1 << 20))
    f.truncate(16 << 30)
PY
compare_copy "$WORK/sparse.bin" cp cp

echo "== fileCopy of a folder, 20,000 files"
make_tree "$WORK/tree" 20000
compare_copy "$WORK/tree" "cp -r" cp -r

echo "== fileFindAll, 100,000 entries"
mkdir "$WORK/many"
python3 -c "
import os, sys
for i in range(100000):
    open(os.path.join(sys.argv[1], 'entry%06d.log' % i), 'w').close()
" "$WORK/many"
ours=(); theirs=()
for _ in $(seq "$RUNS"); do
  ours+=("$(engine_time find "$WORK/many" '*')")
  theirs+=("$(timed ls -f "$WORK/many")")
done
f1=$(median "${ours[@]}"); f2=$(median "${theirs[@]}")
echo "fileFindAll ${f1}s  ls -f ${f2}s  ratio $(ratio "$f1" "$f2")"
rm -rf "$WORK/many"

echo "== fileDeleteDirectory, 20,000 files"
ours=(); theirs=()
for _ in $(seq "$RUNS"); do
  make_tree "$WORK/t1" 20000
  make_tree "$WORK/t2" 20000
  sync
  ours+=("$(engine_time deletedir "$WORK/t1")")
  theirs+=("$(timed rm -rf "$WORK/t2")")
  [ ! -e "$WORK/t1" ] || { echo "tree left behind"; exit 1; }
done
d1=$(median "${ours[@]}"); d2=$(median "${theirs[@]}")
echo "fileDeleteDirectory ${d1}s  rm -rf ${d2}s  ratio $(ratio "$d1" "$d2")"
