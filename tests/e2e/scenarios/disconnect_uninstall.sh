#!/usr/bin/env bash
# Disconnect takes the connection down and keeps the files and the trust;
# uninstall then leaves the laptop's home as it was before the first connect
# (the code and share folders apart, whose contents it does not touch) and
# the server as it was.
. "$(dirname "$0")/../harness.sh"
e2e_begin
L=$LAPTOP_HOME
# The user keeps their SSH config in a dotfiles folder, linked into ~/.ssh,
# and has a Mutagen session of their own.
as_laptop mkdir -p "$L/dotfiles/ssh" "$L/Photos" "$L/photo-backup"
mv "$L/.ssh/config" "$L/dotfiles/ssh/config"
as_laptop ln -s ../dotfiles/ssh/config "$L/.ssh/config"
laptop mutagen sync create --name photos --mode one-way-replica "$L/Photos" "$L/photo-backup"
require_status 0 "the user's own session"
HOME_BEFORE=$(manifest "$LAPTOP_HOME")
config_before=$(cat "$L/.ssh/config")
connect_laptop
check_eq "~/.ssh/config after connect" "$(readlink "$L/.ssh/config")" ../dotfiles/ssh/config
printf 'work in progress\n' | as_laptop tee "$L/Code/web/draft.txt" >/dev/null
pelk laptop share send "$L/Code/web/draft.txt"
check_status 0 "send before disconnecting"

pelk laptop disconnect
check_status 0 "disconnect"
check_out "disconnect" "Disconnected. Your files stay on both sides; the certificate stays trusted."
check_eq "Mutagen sessions left after disconnect" "$(ls "$W/state/mutagen" | grep '\.session$')" "photos.session"
check_system_file_removed /etc/systemd/resolved.conf.d/pelk.conf
check_eq "the resolver's routes after disconnect" "$(cat "$W/state/resolved-routes")" ""
check_file "$L/.ssh/config" "$config_before
"
check_absent "$L/.config/pelk/laptop.json"
check_exists "$L/.config/pelk/ca.pem"
check_exists "$(system_file /usr/local/share/ca-certificates/pelk-environment-ca.crt)"
check_exists "$L/Code/web/draft.txt"
check_exists "$SERVER_HOME/Code/web/draft.txt"
laptop ssh -o BatchMode=yes pelk true
check_status 255 "ssh pelk after disconnect"

pelk laptop status
check_status 1 "status after disconnect"
check_out "status after disconnect" ""
check_err "status after disconnect" "pelk: this laptop is not connected yet; run pelk laptop connect"

code_before=$(manifest "$L/Code")
share_before=$(manifest "$L/pelk-share")
server_before=$(manifest "$SERVER_HOME")
pelk laptop uninstall
check_status 0 "uninstall"
check_out "uninstall" "pelk was removed from this laptop. Your synced folder and ~/pelk-share stay as they are."
check_system_file_removed /usr/local/share/ca-certificates/pelk-environment-ca.crt
grep -qF "$(sed -n 2p "$W/keys/ca.cert.pem")" "$(system_file /etc/ssl/certs/ca-certificates.crt)" &&
  check_fail "the system bundle still holds the certificate"
check_system_file_removed /usr/local/bin/pelk
as_laptop certutil -L -d "sql:$L/.pki/nssdb" -n "pelk environment CA" >/dev/null 2>&1 &&
  check_fail "the NSS store still holds the certificate"
calls | grep -q '^mutagen daemon stop' &&
  check_fail "uninstall stopped a Mutagen that it did not install"
check_exists "$W/state/mutagen/photos.session"

# The home as before the first connect: what ssh itself learnt (known_hosts)
# and the browser store's database files (compared by content above) apart.
check_eq "the laptop's home after uninstall" "$(manifest "$L" Code pelk-share .ssh/known_hosts .pki)" \
  "$(grep -Ev '^\./\.pki' <<<"$HOME_BEFORE")"
check_eq "the code folder across uninstall" "$(manifest "$L/Code")" "$code_before"
check_eq "the share folder across uninstall" "$(manifest "$L/pelk-share")" "$share_before"
check_eq "the server across uninstall" "$(manifest "$SERVER_HOME")" "$server_before"

e2e_end
