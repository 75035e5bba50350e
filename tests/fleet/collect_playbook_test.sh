#!/usr/bin/env bash
# Runs contrib/ansible/collect.yml against three hosts that are all this
# machine, behind an sshd of the test's own on 127.0.0.2-4: two collect and
# deliver verified bundles, the third (an install folder without
# configurations) is reported as failed while the others finish. Then check
# mode must leave everything alone, and an upload that cannot connect must be
# reported. Needs root, ansible and openssh-server; reaches no other address.
# usage: collect_playbook_test.sh VELT
set -euo pipefail
velt=$(realpath "$1") playbook=$(dirname "$(realpath "$0")")/../../contrib/ansible/collect.yml
tmp=$(mktemp -d) sshd_pid="" port=22022 password="s3cr3t-Kq9 'x\$1"
trap '[ -z "$sshd_pid" ] || kill "$sshd_pid" 2>/dev/null; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

ssh-keygen -q -t ed25519 -N '' -f "$tmp/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$tmp/client_key"
cp "$tmp/client_key.pub" "$tmp/authorized_keys"
mkdir -p "$tmp/remote" "$tmp/empty" /run/sshd
cat >"$tmp/sshd_config" <<CONF
ListenAddress 127.0.0.2:$port
ListenAddress 127.0.0.3:$port
ListenAddress 127.0.0.4:$port
HostKey $tmp/host_key
PidFile none
AuthorizedKeysFile $tmp/authorized_keys
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
# The keys live under /tmp, which every user can write.
StrictModes no
Subsystem sftp internal-sftp
CONF
! (: <"/dev/tcp/127.0.0.2/$port") 2>/dev/null || fail "port $port on 127.0.0.2 is taken"
/usr/sbin/sshd -D -e -f "$tmp/sshd_config" 2>"$tmp/sshd.log" &
sshd_pid=$!
for _ in $(seq 50); do (: <"/dev/tcp/127.0.0.4/$port") 2>/dev/null && break; sleep 0.1; done
kill -0 "$sshd_pid" || fail "sshd did not start: $(cat "$tmp/sshd.log")"

cat >"$tmp/hosts.ini" <<INI
good1 ansible_host=127.0.0.2
good2 ansible_host=127.0.0.3 velt_password="$password"
broken ansible_host=127.0.0.4 velt_install_dir=$tmp/empty
[all:vars]
ansible_port=$port
ansible_user=root
ansible_become=false
ansible_python_interpreter=/usr/bin/python3
ansible_ssh_private_key_file=$tmp/client_key
velt_program=$velt
velt_remote_tmp=$tmp/remote
velt_bundles_dir=$tmp/bundles
INI
export ANSIBLE_SSH_ARGS="-o ControlMaster=no -o UserKnownHostsFile=$tmp/known_hosts -o StrictHostKeyChecking=no"
export ANSIBLE_HOME=$tmp/home ANSIBLE_LOCAL_TEMP=$tmp/local ANSIBLE_REMOTE_TEMP=$tmp/ansible ANSIBLE_NOCOLOR=1
play() { ansible-playbook -i "$tmp/hosts.ini" "$playbook" "$@" >"$tmp/out" 2>&1; }
row() { grep "^$1 " "$tmp/bundles/report.txt"; }

status=0 && play -vvv --forks 3 || status=$?
cat "$tmp/bundles/report.txt" 2>/dev/null || { cat "$tmp/out"; fail "no table"; }
[ "$status" = 2 ] || fail "ansible-playbook ended with $status, not 2 (a host failed)"
for host in good1 good2; do
  row $host | grep -q "^$host  *ok  *0 SUCCESS " || fail "$host did not succeed"
  (cd "$tmp/bundles/$host" && sha256sum --check --strict --quiet ./*.sha256) || fail "$host: checksum"
done
row broken | grep -q "^broken  *failed  *exit 2 .*cannot read the configurations" || fail "broken not reported"
[ ! -e "$tmp/bundles/broken" ] || fail "a bundle of broken arrived"
[ -z "$(ls -A "$tmp/remote")" ] || fail "remote copies left: $(ls "$tmp/remote")"
{ 7z t -p"$password" "$tmp"/bundles/good2/*.zip >/dev/null && ! 7z t -pwrong "$tmp"/bundles/good2/*.zip >/dev/null 2>&1; } ||
  fail "good2's bundle is not encrypted with the password"
! grep -F s3cr3t-Kq9 "$tmp/out" || fail "the password appears in Ansible's output"

rm -r "$tmp/bundles" && status=0 && play --check || status=$?
{ [ "$status" = 0 ] && grep -q '"good1  *check  ' "$tmp/out"; } || { cat "$tmp/out"; fail "check mode"; }
{ [ -z "$(ls -A "$tmp/remote")" ] && [ ! -e "$tmp/bundles/report.txt" ]; } || fail "check mode changed something"

status=0 && play --limit good1 -e velt_upload=true -e velt_ids=time-sync -e velt_upload_user=u \
  -e velt_upload_secret=s -e velt_upload_host=127.0.0.1:1 -e velt_upload_timeout=5 || status=$?
{ [ "$status" = 2 ] && row good1 | grep -q "^good1  *failed  *0 SUCCESS .* upload: "; } || { cat "$tmp/out"; fail "upload"; }
{ [ "$(wc -l <"$tmp/bundles/report.txt")" = 2 ] && [ -z "$(ls -A "$tmp/remote")" ]; } || fail "upload: --limit or cleanup"
echo "all checks passed"
