#!/usr/bin/env bash
# A fresh laptop connects: the whole transcript, then what it left behind
# works with the real OpenSSH client and holds what the server published.
. "$(dirname "$0")/../harness.sh"
e2e_begin

L=$LAPTOP_HOME
SUMMARY="
Your laptop is connected.
  Code: $L/Code <-> pelk:~/Code
  Sites: https://<folder>.pelk.test for each folder in it
  Terminal and agents: ssh pelk"

# pelk's own lines; what the elevated script printed (the machine's
# update-ca-certificates) sits between the trust header and the next step.
own_lines() { awk '/^==> Trusting/ {print; skip=1; next} /^==> / {skip=0} !skip' "$RUN_OUT"; }
elevated_lines() { awk '/^==> Trusting/ {inside=1; next} /^==> / {inside=0} inside' "$RUN_OUT"; }

pelk laptop connect
require_status 0 "first connect"
check_eq "first connect transcript" "$(own_lines)" "==> Finding your server on Tailscale
  pelk is 127.0.0.1
==> SSH
==> Fetching the environment's certificate
==> Trusting the certificate and sending *.pelk.test to your server (asks for your password once)
==> File sync
  File sharing: $L/pelk-share -> $SHARE_ON_SERVER on the server
  From the server: $SHARE_ON_SERVER/out -> $L/pelk-share/from-server
$SUMMARY"
elevated_lines | grep -Eq '^[1-9][0-9]* added, 0 removed' || check_fail "update-ca-certificates did not take the certificate"
grep -q '^pelk:' "$RUN_ERR" && check_fail "connect reported a failure"

# The SSH block, at the top, with the user's own entries kept and their global
# setting still global.
check_file "$L/.ssh/config" "# >>> pelk >>>
Host pelk
    HostName 127.0.0.1
    User dev
    ServerAliveInterval 30
Host *
# <<< pelk <<<

ServerAliveCountMax 7

Host example-work
    HostName 192.0.2.10
    User someone
"
check_eq "mode of ~/.ssh/config" "$(stat -c %a "$L/.ssh/config")" 600
laptop ssh pelk 'echo "$USER $PWD"'
check_status 0 "ssh pelk with the real client"
check_out "ssh pelk lands as dev in its home" "dev /home/dev"
RUN_QUIET=1 laptop ssh -G pelk
check_eq "the alias as the client reads it" \
  "$(grep -E '^(hostname|user|serveraliveinterval|serveralivecountmax) ' "$RUN_OUT" | sort)" \
  "hostname 127.0.0.1
serveralivecountmax 7
serveraliveinterval 30
user dev"
RUN_QUIET=1 laptop ssh -G example-work
check_eq "the user's own host as the client reads it" \
  "$(grep -E '^(hostname|user|serveraliveinterval|serveralivecountmax) ' "$RUN_OUT" | sort)" \
  "hostname 192.0.2.10
serveralivecountmax 7
serveraliveinterval 0
user someone"

# The certificate: fetched byte for byte, trusted in the (throwaway) system
# store and the browser store; the machine's own store is untouched.
check_same_file "$L/.config/pelk/ca.pem" "$SERVER_HOME/.local/share/pelk/ca.cert.pem"
installed=$(system_file /usr/local/share/ca-certificates/pelk-environment-ca.crt)
check_same_file "$installed" "$L/.config/pelk/ca.pem"
check_eq "mode of the installed certificate" "$(stat -c %a "$installed" 2>/dev/null)" 644
grep -qF "$(sed -n 2p "$L/.config/pelk/ca.pem")" "$(system_file /etc/ssl/certs/ca-certificates.crt)" ||
  check_fail "the system bundle does not hold the certificate"
check_absent /usr/local/share/ca-certificates/pelk-environment-ca.crt
as_laptop certutil -L -d "sql:$L/.pki/nssdb" >"$W/runs/nss.txt" 2>&1
grep -Eq '^pelk environment CA +C,,' "$W/runs/nss.txt" || check_fail "the NSS store does not trust the certificate: $(cat "$W/runs/nss.txt")"

# DNS: the drop-in, and systemd-resolved restarted to take it in.
check_file "$(system_file /etc/systemd/resolved.conf.d/pelk.conf)" $'[Resolve]\nDNS=127.0.0.1\nDomains=~pelk.test\n'
check_absent /etc/systemd/resolved.conf.d/pelk.conf
calls | grep -qx 'systemctl restart systemd-resolved' || check_fail "systemd-resolved was not restarted"
check_eq "elevated scripts run" "$(find "$W/state/elevated" -name '*.sh' | wc -l)" 1
calls | grep -Eq '^(apt-get|dnf|zypper|pacman)' && check_fail "the elevated script tried to install packages"

# File sync: the projects arrived under the server's rules, the share folders
# exist on both sides.
check_same_file "$L/Code/api/main.go" "$SERVER_HOME/Code/api/main.go"
check_same_file "$L/Code/my.app/README.md" "$SERVER_HOME/Code/my.app/README.md"
check_same_file "$L/Code/web/index.html" "$SERVER_HOME/Code/web/index.html"
check_absent "$L/Code/web/debug.log"
check_absent "$L/Code/web/node_modules"
check_dir "$SHARE_ON_SERVER/out"
check_dir "$SHARE_ON_SERVER/keep"
check_dir "$L/pelk-share/from-server"
check_dir "$L/pelk-share/keep"
check_eq "Mutagen sessions created" "$(calls | grep '^mutagen sync create')" \
  "mutagen sync create --name pelk-code --mode two-way-resolved --ignore=node_modules --ignore=\\*.log $L/Code pelk:Code
mutagen sync create --name pelk-share --mode one-way-replica --ignore /from-server --ignore /out $L/pelk-share pelk:Share/$LAPTOP_FOLDER
mutagen sync create --name pelk-share-out --mode one-way-replica pelk:Share/$LAPTOP_FOLDER/out $L/pelk-share/from-server"

# The records.
check_file "$L/.config/pelk/laptop.json" "{
  \"server\": \"pelk\",
  \"address\": \"127.0.0.1\",
  \"code_dir\": \"$L/Code\"
}"
check_file "$L/.config/pelk/sync.json" '{
  "version": 3,
  "enabled": true,
  "ignores": [
    "node_modules",
    "*.log"
  ],
  "server_only": [],
  "projects": [
    "api",
    "my.app",
    "web"
  ]
}'
check_file "$L/.config/pelk/shots-folder" "$LAPTOP_FOLDER"

# Connecting again repeats the steps and replaces, never duplicates.
config_after_first=$(cat "$L/.ssh/config")
pelk laptop connect
check_status 0 "second connect"
check_eq "second connect ends with the same summary" "$(tail -n 5 "$RUN_OUT")" "$SUMMARY"
grep -qx '  The sync session is up to date.' "$RUN_OUT" || check_fail "the second connect did not keep the code session"
check_eq "the SSH config after a second connect" "$(cat "$L/.ssh/config")" "$config_after_first"
check_eq "Mutagen sessions created by the second connect" "$(calls | grep -c '^mutagen sync create')" 3
check_file "$(system_file /etc/systemd/resolved.conf.d/pelk.conf)" $'[Resolve]\nDNS=127.0.0.1\nDomains=~pelk.test\n'

e2e_end
