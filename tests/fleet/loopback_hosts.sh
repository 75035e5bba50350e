# shellcheck shell=bash
# Loopback hosts for the fleet test and benchmark, sourced by both: one sshd
# of their own on 127.0.0.2 ... 127.0.0.(N+1), on a port of its own, with a
# generated host key, a generated client key in its own AuthorizedKeysFile and
# a known_hosts file, all under DIR. Every "host" is this machine, as root.
#   loopback_start DIR N PORT   starts it; sets loopback_sshd_pid
#   loopback_inventory_vars     prints the inventory's [all:vars] lines to reach them
#   loopback_ssh_options        ssh's and scp's options to reach them without Ansible
#   loopback_disconnect         closes the ssh connections Ansible keeps
#   loopback_stop               closes them and stops sshd
# Ansible keeps its connections (ControlPersist) in DIR/cp, where
# loopback_start points it.

loopback_start() {
  loopback_dir=$1 loopback_port=$3
  local count=$2 i
  ssh-keygen -q -t ed25519 -N '' -f "$loopback_dir/host_key"
  ssh-keygen -q -t ed25519 -N '' -f "$loopback_dir/client_key"
  cp "$loopback_dir/client_key.pub" "$loopback_dir/authorized_keys"
  mkdir -p /run/sshd
  : >"$loopback_dir/known_hosts"
  for i in $(seq 2 $((count + 1))); do
    echo "ListenAddress 127.0.0.$i:$loopback_port"
    echo "[127.0.0.$i]:$loopback_port $(cut -d' ' -f1,2 "$loopback_dir/host_key.pub")" >>"$loopback_dir/known_hosts"
  done >"$loopback_dir/sshd_config"
  cat >>"$loopback_dir/sshd_config" <<CONF
HostKey $loopback_dir/host_key
PidFile none
AuthorizedKeysFile $loopback_dir/authorized_keys
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
# Many hosts connect at once.
MaxStartups 200
# The keys live under /tmp, which every user can write.
StrictModes no
Subsystem sftp internal-sftp
CONF
  if (: <"/dev/tcp/127.0.0.2/$loopback_port") 2>/dev/null; then
    echo "port $loopback_port on 127.0.0.2 is taken" >&2
    return 1
  fi
  /usr/sbin/sshd -D -e -f "$loopback_dir/sshd_config" 2>"$loopback_dir/sshd.log" &
  loopback_sshd_pid=$!
  for _ in $(seq 100); do
    (: <"/dev/tcp/127.0.0.$((count + 1))/$loopback_port") 2>/dev/null && break
    sleep 0.1
  done
  kill -0 "$loopback_sshd_pid" || { cat "$loopback_dir/sshd.log" >&2; return 1; }
  # shellcheck disable=SC2034 # for the scripts that source this file
  loopback_ssh_options=(-o Port="$loopback_port" -o IdentityFile="$loopback_dir/client_key"
    -o UserKnownHostsFile="$loopback_dir/known_hosts" -o BatchMode=yes)
  export ANSIBLE_HOME=$loopback_dir/ansible ANSIBLE_SSH_CONTROL_PATH_DIR=$loopback_dir/cp ANSIBLE_NOCOLOR=1
}

loopback_inventory_vars() {
  cat <<INI
ansible_port=$loopback_port
ansible_user=root
ansible_become=false
ansible_ssh_private_key_file=$loopback_dir/client_key
ansible_ssh_common_args=-o UserKnownHostsFile=$loopback_dir/known_hosts
INI
}

loopback_disconnect() {
  local socket
  for socket in "$ANSIBLE_SSH_CONTROL_PATH_DIR"/*; do
    if [ -S "$socket" ]; then ssh -o ControlPath="$socket" -O exit loopback 2>/dev/null || true; fi
  done
}

loopback_stop() {
  loopback_disconnect
  [ -z "${loopback_sshd_pid:-}" ] || kill "$loopback_sshd_pid" 2>/dev/null
  loopback_sshd_pid=""
}
