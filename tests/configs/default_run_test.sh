#!/usr/bin/env bash
# Runs the shipped configurations with velt as root and as a fresh user, reads
# summary.txt back from each bundle and checks: every area whose tools or
# files exist here yields a file; every omission means "not present here"
# (or, for the user, not readable by it); no shell complaint was collected;
# the clear preview names only the VPN client's rotated logs and clears nothing.
# usage: default_run_test.sh VELT INSTALL_DIR
set -uo pipefail
velt=$1 install=$2 failures=0 user=""
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin LC_ALL=C
work=$(mktemp -d /tmp/velt-configs-XXXXXX) && chmod 755 "$work"
trap 'rm -rf "$work"; [ -z "$user" ] || userdel "$user"' EXIT
fail() { echo "FAIL ($who): $*"; failures=$((failures + 1)); }

# One record per line: AREA title / INC title name / OMIT title name reason.
summary() {
  unzip -p "$1" summary.txt | tr -d '\r' | awk '
    function flush() { if (r != "") print r; r = "" }
    function cell(s) { sub(/ +$/, "", s); return s }
    /^=====/ { flush(); getline; title = substr($0, 1, length($0) - 1); print "AREA\t" title; next }
    /^Files (Included|Omitted)/ { section = $0 ~ /Omitted/ ? "OMIT" : "INC"; next }
    /^ID / { column = index($0, "Reason Omitted"); next }
    /^-+$/ || /^Notes:/ || /^$/ { flush(); if (!/^-/) section = ""; next }
    section == "INC" && /^[^ ]/ { split($0, f, / +/); print "INC\t" title "\t" f[2] }
    section == "OMIT" && /^[^ ]/ { flush(); split($0, f, / +/); r = "OMIT\t" title "\t" f[2] "\t" cell(substr($0, column)) }
    section == "OMIT" && /^ / && r != "" { r = r " " cell(substr($0, column)) }'
}

check() {  # who home run-prefix...
  who=$1 home=$2; shift 2
  local dir=$work/$who vpn=$home/.local/state/velt-vpn
  mkdir -p "$dir" "$vpn" && touch "$vpn/client.log" "$vpn/client.log.1"
  [ "$who" = root ] || chown -R "$who" "$dir" "$home"
  "$@" "$velt" collect --include-system-logs --install-dir "$install" --bundle "$dir/b.zip" >"$dir/out" 2>&1 ||
    fail "velt collect failed: $(tail -n 3 "$dir/out")"
  summary "$dir/b.zip" >"$dir/s"
  for xml in "$install"/xml/config/*.xml; do
    title=$(sed -n 's:.*<title>\(.*\)</title>.*:\1:p' "$xml") present=""
    grep -qxF "AREA	$title" "$dir/s" || fail "no block for $title"
    while read -r probe; do
      if command -v "$probe" >/dev/null || compgen -G "$probe" >/dev/null; then present=$probe; fi
    done < <(sed -n 's:.*<args>\([^ <]*\).*:\1:p; s:.*<loc[^>]*>\(/[^<]*\)</loc>.*:\1:p' "$xml")
    [ -z "$present" ] || grep -q "^INC	$title	" "$dir/s" || fail "$title yields no file although $present is here"
  done
  while IFS=$'\t' read -r _ title name reason; do
    case $reason in
      "No file found with path matching:"* | *" not found on client machine.") ;;
      "Failed to execute "*) ! command -v "${reason#Failed to execute }" >/dev/null || fail "$title: $reason, yet it is installed" ;;
      *) { [ "$who" != root ] && ! "$@" test -r "$(dirname "${reason%% *}")/$name"; } || fail "$title: $name omitted: $reason" ;;
    esac
  done < <(grep '^OMIT' "$dir/s")
  [ "$(grep -c -E '^INC	VPN Client	client\.log(\.1)?$' "$dir/s")" = 2 ] || fail "the VPN client's logs in $vpn were not both collected"
  local complaints
  complaints=$(unzip -p "$dir/b.zip" -x summary.txt | grep -a -E '^(/bin/)?sh: [0-9]+: ' | head -n 3)
  [ -z "$complaints" ] || fail "a shell's complaint was collected: $complaints"

  echo no | "$@" "$velt" clear --include-system-logs --install-dir "$install" >"$dir/clear" 2>&1
  local others
  others=$(grep '^ ' "$dir/clear" | grep -o '/[^[:space:]()"]*' | grep -v -e "^/var/log/velt-vpn/" -e "^$vpn/")
  [ -z "$others" ] || fail "the clear preview names more than the VPN client's files: $others"
  { grep -q "$vpn/client.log.1" "$dir/clear" && ! grep -q -E "$vpn/client\.log([^.]|$)" "$dir/clear"; } ||
    fail "the clear preview does not name exactly the rotated VPN client log: $(cat "$dir/clear")"
  { [ -e "$vpn/client.log" ] && [ -e "$vpn/client.log.1" ]; } || fail "answering no to the clear preview deleted files"
}

if [ "$(id -u)" = 0 ]; then
  check root "$work/root-home" env HOME="$work/root-home"
  user=veltcfg$$ && useradd -M -d "$work/user-home" -s /usr/sbin/nologin "$user" || exit 1
  check "$user" "$work/user-home" runuser -u "$user" -- env HOME="$work/user-home" PATH="$PATH"
else
  echo "not root: the runs as root and as a user made with useradd are skipped; running as $(id -un)"
  check "$(id -un)" "$work/home" env HOME="$work/home"
fi
if [ "$failures" != 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
