#!/usr/bin/env bash
# Runs docs/fleet.md's quick start as written, in a copy of contrib/ansible,
# against hosts that are all this machine behind an sshd of the test's own
# (loopback_hosts.sh): three collect and deliver verified, encrypted bundles
# that are private on the controller, two of them under inventory names that
# are no folder names ("../../x", "a/b") and get folders of their own inside
# the bundles folder; the fourth (an install folder without configurations)
# is reported as failed while the others finish. Then check mode must leave
# everything alone, and, while the test holds the dpkg lock, an install must
# give up after its bound with that reason, and an upload that cannot connect
# must be reported. Needs root, ansible and openssh-server; reaches no other
# address.
# usage: collect_playbook_test.sh VELT
# "check && check || fail" is meant: fail runs when either check does not hold.
# shellcheck disable=SC2015
set -euo pipefail
velt=$(realpath "$1") here=$(dirname "$(realpath "$0")")
# shellcheck source=loopback_hosts.sh source-path=SCRIPTDIR
. "$here/loopback_hosts.sh"
tmp=$(mktemp -d) lock_pid=""
trap 'loopback_stop; [ -z "$lock_pid" ] || kill "$lock_pid" 2>/dev/null; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
loopback_start "$tmp" 4 22022

# The user's side: a checkout, a home for the vault's password file, a umask
# that leaves new files readable by others.
mkdir -p "$tmp/checkout/contrib" "$tmp/home" "$tmp/remote" "$tmp/empty"
cp -r "$here/../../contrib/ansible" "$tmp/checkout/contrib/"
export HOME=$tmp/home
umask 022
ansible=$tmp/checkout/contrib/ansible
{
  echo "good1 ansible_host=127.0.0.2"
  echo "../../x ansible_host=127.0.0.3"
  # A piped transfer writes what it fetches with the controller's umask.
  echo "a/b ansible_host=127.0.0.4 ansible_ssh_transfer_method=piped"
  echo "broken ansible_host=127.0.0.5 velt_install_dir=$tmp/empty"
  echo "[all:vars]"
  loopback_inventory_vars
  echo "velt_program=$velt"
  echo "velt_remote_tmp=$tmp/remote"
} >"$ansible/inventory"
listing() { find "$tmp/checkout" -path "$ansible/bundles" -prune -o -print | sort; }
listing >"$tmp/before"

quick_start=$(awk '/^## Quick start/ {s=1; next} s && /^    / {print substr($0, 5); b=1; next} b {exit}' \
  "$here/../../docs/fleet.md")
password=$(sed -n 's/^velt_password: "\(.*\)"$/\1/p' <<<"$quick_start")
[ -n "$password" ] || fail "no quick start with a velt_password in docs/fleet.md"
# Ansible's -vvv shows every ssh command line.
status=0 && (cd "$tmp/checkout" && ANSIBLE_VERBOSITY=3 bash -e -c "$quick_start") >"$tmp/out" 2>&1 || status=$?
table=$ansible/bundles/report.txt
row() { awk -v host="$1" '$1 == host' "$table"; }
cat "$table" 2>/dev/null || { cat "$tmp/out"; fail "no table"; }
[ "$status" = 2 ] || fail "the quick start ended with $status, not 2 (a host failed)"
for host in good1 ../../x a/b; do
  row "$host" | grep -q " ok  *0 SUCCESS " || fail "$host did not succeed"
done
row broken | grep -q "^broken  *failed  *exit 2 .*cannot read the configurations" || fail "broken not reported"
# Every host's folder is one plain name inside the bundles folder, the one its
# row names, and nothing else changed in the checkout.
for folder in "$ansible"/bundles/*/; do
  name=$(basename "$folder")
  [[ $name =~ ^[A-Za-z0-9_][A-Za-z0-9._-]*$ ]] && grep -qF "/bundles/$name/velt-" "$table" || fail "folder $name"
  (cd "$folder" && sha256sum --check --strict --quiet ./*.sha256) || fail "$name: checksum"
  7z t -p"$password" "$folder"/*.zip >/dev/null && ! 7z t -pwrong "$folder"/*.zip >/dev/null 2>&1 ||
    fail "$name: the bundle is not encrypted with the vault's password"
done
[ "$(find "$ansible/bundles" -mindepth 1 -type d | wc -l)" = 3 ] || fail "folders: $(ls "$ansible/bundles")"
listing | diff "$tmp/before" - | grep -vxF "> $tmp/checkout/contrib/ansible/vault.yml" | grep '^[<>]' &&
  fail "the run changed the checkout outside the bundles folder"
[ -z "$(find "$ansible/bundles" \( -type f ! -perm 0600 \) -o \( -type d ! -perm 0700 \))" ] ||
  fail "not private on the controller: $(find "$ansible/bundles" -printf '%m %p\n')"
[ -z "$(ls -A "$tmp/remote")" ] || fail "remote copies left: $(ls "$tmp/remote")"
! grep -F "$password" "$tmp/out" || fail "the password appears in Ansible's output"

cd "$ansible"
play() { ansible-playbook collect.yml "$@" >"$tmp/out" 2>&1; }
rm -r bundles && status=0 && play --check || status=$?
[ "$status" = 0 ] && grep -q '"good1  *check .* check mode, would run: .*/velt collect --json ' "$tmp/out" || { cat "$tmp/out"; fail "check mode"; }
[ -z "$(ls -A "$tmp/remote")" ] && [ ! -e bundles/report.txt ] || fail "check mode changed something"

# An empty package offered while the test holds dpkg's frontend lock (an
# fcntl lock, as dpkg and apt take it); it is never installed.
mkdir -p "$tmp/package/DEBIAN"
printf '%s\n' "Package: velt-fleet-lock-test" "Version: 0" "Architecture: all" \
  "Maintainer: VeltEngine tests <velt@localhost>" "Description: never installed" >"$tmp/package/DEBIAN/control"
dpkg-deb --root-owner-group --build "$tmp/package" "$tmp/lock-test.deb" >/dev/null
printf '%s\n' "[lock_test]" "locked ansible_host=127.0.0.5 velt_deb=$tmp/lock-test.deb velt_lock_timeout=3" >>inventory
python3 -c 'import fcntl, signal, time
signal.alarm(120)
with open("/var/lib/dpkg/lock-frontend", "a") as lock:
    fcntl.lockf(lock, fcntl.LOCK_EX)
    print("locked", flush=True)
    time.sleep(120)' >"$tmp/lock" &
lock_pid=$! holder=$!
for _ in $(seq 600); do grep -q locked "$tmp/lock" && break; sleep 0.1; done
grep -q locked "$tmp/lock" || fail "could not take the dpkg lock"
status=0 && play --limit good1,locked -e velt_upload=true -e velt_ids=time-sync -e velt_upload_user=u \
  -e velt_upload_secret=s -e velt_upload_host=127.0.0.1:1 -e velt_upload_timeout=5 || status=$?
kill "$lock_pid" && lock_pid=""
cat bundles/report.txt
[ "$status" = 2 ] && row good1 | grep -q "^good1  *failed  *0 SUCCESS .* upload: " || { cat "$tmp/out"; fail "upload"; }
row locked | grep -q "^locked  *failed .* install: another package run holds the dpkg lock (process $holder, python3); gave up after 3 s" ||
  { cat "$tmp/out"; fail "the held dpkg lock is not the reason"; }
[ "$(wc -l <bundles/report.txt)" = 3 ] && [ -z "$(ls -A "$tmp/remote")" ] || fail "lock and upload: --limit or cleanup"
! dpkg-query --show velt-fleet-lock-test 2>/dev/null || fail "the test's package was installed"
echo "all checks passed"
