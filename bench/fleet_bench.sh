#!/usr/bin/env bash
# The fleet playbook (contrib/ansible/collect.yml) over N = 1, 4 and 16
# loopback hosts behind one sshd (127.0.0.2 ... , tests/fleet/loopback_hosts.sh;
# every host is this machine, as root), against velt's own runs (N at once on
# this machine) and a plain loop of `ssh host velt collect; scp` per host.
# Prints, per N: velt alone, the plain loop, the playbook, what the playbook
# adds to velt's own runs (aim: 10 s or less), the mean TIME of the table's
# hosts, and the controller's CPU seconds (ansible-playbook and its children),
# each the median of REPEAT runs (default 1) taken in turns.
#
# usage: [REPEAT=3] bench/fleet_bench.sh [VELT] [ANSIBLE_DIR] [COUNTS]
#   ANSIBLE_DIR: the folder with collect.yml (default contrib/ansible; give an
#   older copy to compare); COUNTS: default "1 4 16".
# The loops below are scripts of their own, given their values as arguments.
# shellcheck disable=SC2016
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
velt=$(realpath "${1:-$root/build/cli/velt}")
ansible_dir=$(realpath "${2:-$root/contrib/ansible}")
read -r -a counts <<<"${3:-1 4 16}"
[ -x "$velt" ] || { echo "build velt first: cmake --build build --target velt" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time" >&2; exit 2; }
# shellcheck source-path=SCRIPTDIR source=../tests/fleet/loopback_hosts.sh
. "$root/tests/fleet/loopback_hosts.sh"
work=$(mktemp -d /tmp/velt-fleet-bench-XXXXXX)
trap 'loopback_stop; rm -rf "$work"' EXIT
max=$(printf '%s\n' "${counts[@]}" | sort -n | tail -1)
loopback_start "$work" "$max" 22023
cp -r "$ansible_dir" "$work/ansible"
mkdir -p "$work/remote"
repeat=${REPEAT:-1}
seconds() { awk '{print $1}' "$work/time"; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# velt's own runs: n at once, as the playbook runs them.
alone() {
  rm -rf "$work/alone" && mkdir -p "$work/alone"
  /usr/bin/time -f %e -o "$work/time" bash -c 'for i in $(seq "$2"); do
      mkdir "$3/$i" && "$1" collect --json --quiet --bundle="$3/$i/" >/dev/null &
    done; wait' sh "$velt" "$1" "$work/alone"
  seconds >>"$work/alone-$1"
}

# A plain loop: one host after the other, a new ssh connection each time.
plain() {
  rm -rf "$work/plain" && mkdir -p "$work/plain"
  /usr/bin/time -f %e -o "$work/time" bash -c 'velt=$1 work=$2 n=$3; shift 3
    for i in $(seq 2 $((n + 1))); do
      dir=$(ssh "$@" "root@127.0.0.$i" mktemp -d -p "$work/remote")
      bundle=$(ssh "$@" "root@127.0.0.$i" "$velt" collect --json --quiet --bundle="$dir/" |
        sed -n "s/.*\"event\":\"result\".*\"bundle\":\"\([^\"]*\)\".*/\1/p")
      scp -q "$@" "root@127.0.0.$i:$bundle" "root@127.0.0.$i:$bundle.sha256" "$work/plain/"
      ssh "$@" "root@127.0.0.$i" rm -rf "$dir"
    done' sh "$velt" "$work" "$1" "${loopback_ssh_options[@]}"
  [ "$(find "$work/plain" -name '*.zip' | wc -l)" = "$1" ] || { echo "plain loop: not every bundle arrived" >&2; exit 1; }
  seconds >>"$work/plain-$1"
}

# The playbook with the shipped settings, from cold ssh connections.
playbook() {
  local n=$1 table=$work/bundles/report.txt
  {
    for i in $(seq 2 $((n + 1))); do echo "host$((i - 1)) ansible_host=127.0.0.$i"; done
    echo "[all:vars]"
    loopback_inventory_vars
    echo "velt_program=$velt"
    echo "velt_remote_tmp=$work/remote"
    echo "velt_bundles_dir=$work/bundles"
  } >"$work/ansible/inventory"
  loopback_disconnect
  rm -rf "$work/bundles"
  (cd "$work/ansible" && /usr/bin/time -f '%e %U %S' -o "$work/time" \
    ansible-playbook -i inventory collect.yml >"$work/out" 2>&1) || { cat "$work/out"; exit 1; }
  [ "$(grep -c ' ok  *0 SUCCESS ' "$table")" = "$n" ] || { cat "$table"; exit 1; }
  seconds >>"$work/playbook-$n"
  awk '{print $2 + $3}' "$work/time" >>"$work/cpu-$n"
  awk 'NR > 1 { for (i = 1; i <= NF; i++) if ($i ~ /^[0-9.]+s$/) { sum += $i; hosts++ } }
       END { printf "%.1f\n", sum / hosts }' "$table" >>"$work/mean-$n"
}

echo "median of $repeat run(s) each"
printf '%-4s %12s %12s %12s %14s %12s %14s\n' N "velt alone" "plain loop" playbook "beyond velt" "mean TIME" "controller CPU"
for n in "${counts[@]}"; do
  # Taken in turns, so that the machine's other load weighs on all three alike.
  for _ in $(seq "$repeat"); do alone "$n"; plain "$n"; playbook "$n"; done
  velt_s=$(median <"$work/alone-$n") playbook_s=$(median <"$work/playbook-$n")
  printf '%-4s %11.1fs %11.1fs %11.1fs %13.1fs %11.1fs %13.1fs\n' "$n" "$velt_s" "$(median <"$work/plain-$n")" \
    "$playbook_s" "$(echo "$playbook_s - $velt_s" | bc -l)" "$(median <"$work/mean-$n")" "$(median <"$work/cpu-$n")"
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
