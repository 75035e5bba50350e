#!/usr/bin/env bash
# The fleet playbook (contrib/ansible/collect.yml) over N = 1, 4 and 16
# loopback hosts behind one sshd (127.0.0.2 ... , tests/fleet/loopback_hosts.sh;
# every host is this machine, as root), against velt's own runs (N at once on
# this machine) and a plain loop of `ssh host velt collect; scp` per host.
# Prints, per N: velt alone, the plain loop, the playbook, what the playbook
# adds to velt's own runs (aim: 10 s or less), the mean TIME of the table's
# hosts, and the controller's CPU seconds.
#
# usage: bench/fleet_bench.sh [VELT] [ANSIBLE_DIR] [COUNTS]
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
seconds() { awk '{print $1}' "$work/time"; }

printf '%-4s %12s %12s %12s %14s %12s %14s\n' N "velt alone" "plain loop" playbook "beyond velt" "mean TIME" "controller CPU"
for n in "${counts[@]}"; do
  hosts=$(seq 2 $((n + 1)))

  # velt's own runs: n at once, as the playbook runs them.
  rm -rf "$work/alone" && mkdir -p "$work/alone"
  /usr/bin/time -f %e -o "$work/time" bash -c 'for i in $(seq "$2"); do
      mkdir "$3/$i" && "$1" collect --json --quiet --bundle="$3/$i/" >/dev/null &
    done; wait' sh "$velt" "$n" "$work/alone"
  alone=$(seconds)

  # A plain loop: one host after the other, a new ssh connection each time.
  rm -rf "$work/plain" && mkdir -p "$work/plain"
  hosts=$hosts /usr/bin/time -f %e -o "$work/time" bash -c 'velt=$1 work=$2; shift 2
    for i in $hosts; do
      dir=$(ssh "$@" "root@127.0.0.$i" mktemp -d -p "$work/remote")
      bundle=$(ssh "$@" "root@127.0.0.$i" "$velt" collect --json --quiet --bundle="$dir/" |
        sed -n "s/.*\"event\":\"result\".*\"bundle\":\"\([^\"]*\)\".*/\1/p")
      scp -q "$@" "root@127.0.0.$i:$bundle" "root@127.0.0.$i:$bundle.sha256" "$work/plain/"
      ssh "$@" "root@127.0.0.$i" rm -rf "$dir"
    done' sh "$velt" "$work" "${loopback_ssh_options[@]}"
  [ "$(find "$work/plain" -name '*.zip' | wc -l)" = "$n" ] || { echo "plain loop: not every bundle arrived" >&2; exit 1; }
  alone_plain=$(seconds)

  # The playbook, with the shipped settings.
  {
    for i in $hosts; do echo "host$((i - 1)) ansible_host=127.0.0.$i"; done
    echo "[all:vars]"
    loopback_inventory_vars
    echo "velt_program=$velt"
    echo "velt_remote_tmp=$work/remote"
    echo "velt_bundles_dir=$work/bundles-$n"
  } >"$work/ansible/inventory"
  (cd "$work/ansible" && /usr/bin/time -f '%e %U %S' -o "$work/time" \
    ansible-playbook -i inventory collect.yml >"$work/out" 2>&1) || { cat "$work/out"; exit 1; }
  table=$work/bundles-$n/report.txt
  [ "$(grep -c ' ok  *0 SUCCESS ' "$table")" = "$n" ] || { cat "$table"; exit 1; }
  playbook=$(seconds)
  cpu=$(awk '{print $2 + $3}' "$work/time")
  mean=$(awk 'NR > 1 { for (i = 1; i <= NF; i++) if ($i ~ /^[0-9.]+s$/) { sum += $i; hosts++ } }
              END { printf "%.1f", sum / hosts }' "$table")
  printf '%-4s %11.1fs %11.1fs %11.1fs %13.1fs %11ss %13.1fs\n' "$n" "$alone" "$alone_plain" "$playbook" \
    "$(echo "$playbook - $alone" | bc -l)" "$mean" "$cpu"
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
