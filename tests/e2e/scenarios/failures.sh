#!/usr/bin/env bash
# Failures as the real client and server produce them: the laptop's key
# removed from the server, a server without its CA, Tailscale stopped, and the
# server going away under a connected laptop.
. "$(dirname "$0")/../harness.sh"
e2e_begin
L=$LAPTOP_HOME
KEY_ADVICE="This laptop's SSH key is not on the server yet. Add its public key (for example ~/.ssh/id_ed25519.pub; no key yet? run ssh-keygen -t ed25519) on your server's page at https://panel.pelk.dev under SSH keys, then rerun."

# Another file sync session of the user's already syncs the code folder (its
# laptop endpoint lies inside it): connect refuses before anything else.
as_laptop mkdir -p "$L/Code/notes" "$L/backup"
laptop mutagen sync create --name notes --mode two-way-safe "$L/Code/notes" "$L/backup"
require_status 0 "the user's own session"
pelk laptop connect
check_status 1 "connect over another session's folder"
check_err "connect over another session's folder" "pelk: $L/Code is already synced by another file sync session ('notes'). Syncing it with your pelk server too would copy everything between both machines.
Pick a folder of its own with --code-dir <folder>, or run again with --force to sync it anyway."
check_absent "$L/.config/pelk"
laptop mutagen sync terminate notes
as_laptop rm -r "$L/Code" "$L/backup"

# Tailscale stopped: nothing is written.
echo stopped >"$W/state/tailscale"
pelk laptop connect
check_status 1 "connect with Tailscale stopped"
check_err "connect with Tailscale stopped" "pelk: Tailscale is Stopped; open it and log in with the account your server uses"
check_eq "the laptop's home after connect stopped at Tailscale" "$(manifest "$L")" "$HOME_BEFORE"
echo running >"$W/state/tailscale"

# No CA on the server: connect logs in, then stops; the cat's own complaint
# is in the message.
rm "$SERVER_HOME/.local/share/pelk/ca.cert.pem"
pelk laptop connect
check_status 1 "connect to a server without a CA"
check_err "connect to a server without a CA" "pelk: the server has no local CA yet (cat: .local/share/lunt/ca.cert.pem: No such file or directory); check that the environment is running with 'sudo pelk host status' on the server"
check_absent "$L/.config/pelk/ca.pem"
check_absent "$L/.config/pelk/laptop.json"
cp "$W/keys/ca.cert.pem" "$SERVER_HOME/.local/share/pelk/ca.cert.pem"
chown "$SERVER_USER:$SERVER_USER" "$SERVER_HOME/.local/share/pelk/ca.cert.pem"

connect_laptop
block=$(sed -n '/^# >>> pelk >>>$/,/^# <<< pelk <<<$/p' "$L/.ssh/config")

# The laptop's key removed on the server: the login check fails with the
# client's own words and the key advice; the block stays, nothing after it
# runs and the earlier record is kept.
: >"$SERVER_HOME/.ssh/authorized_keys"
pelk laptop connect
check_status 1 "connect without an authorised key"
check_err "connect without an authorised key" "pelk: cannot log in as dev@127.0.0.1: dev@127.0.0.1: Permission denied (publickey).
$KEY_ADVICE"
check_eq "the block after the failed login" "$(sed -n '/^# >>> pelk >>>$/,/^# <<< pelk <<<$/p' "$L/.ssh/config")" "$block"
check_exists "$L/.config/pelk/laptop.json"
pelk laptop status
check_eq "the SSH line without an authorised key" "$(sed -n 2p "$RUN_OUT")" "SSH:        cannot log in"
cp "$W/keys/id_ed25519.pub" "$SERVER_HOME/.ssh/authorized_keys"

# The server goes away: its node is offline on the tailnet and its sshd is
# stopped. Status says so line by line; a send keeps the file and says it did
# not arrive.
stop_sshd
echo offline >"$W/state/tailscale"
pelk laptop status
check_status 0 "status with the server gone"
check_out "status with the server gone" "Server:     pelk (pelk is offline on your tailnet; check the server with 'sudo pelk host status')
SSH:        cannot log in
DNS:        *.pelk.test resolves to 127.0.0.1, not the server
File sync:  Connecting to beta
Sharing:    ok"

printf 'notes\n' | as_laptop tee "$L/Documents/notes.txt" >/dev/null
pelk laptop share send "$L/Documents/notes.txt"
check_status 1 "send with the server gone"
grep -q "^pelk: saved in $L/pelk-share, but it did not reach the server: " "$RUN_ERR" ||
  check_fail "send with the server gone did not say the file stayed on the laptop"
check_same_file "$L/pelk-share/notes.txt" "$L/Documents/notes.txt"

e2e_end
