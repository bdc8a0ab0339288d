#!/usr/bin/env bash
# The harness itself against the real OpenSSH client and server, before pelk
# takes part: the alias reaches dev, the Mutagen stand-in copies over it as the
# modes and ignores say, and the sudo stand-in changes only the laptop's
# throwaway system folders.
. "$(dirname "$0")/../harness.sh"
e2e_begin

# The alias as pelk writes it, by hand.
{
  printf '# >>> pelk >>>\nHost pelk\n    HostName 127.0.0.1\n    User dev\n    ServerAliveInterval 30\nHost *\n# <<< pelk <<<\n\n'
  cat "$LAPTOP_HOME/.ssh/config"
} >"$LAPTOP_HOME/.ssh/config.new"
mv "$LAPTOP_HOME/.ssh/config.new" "$LAPTOP_HOME/.ssh/config"
chown "$LAPTOP_USER:$LAPTOP_USER" "$LAPTOP_HOME/.ssh/config"

laptop ssh -o BatchMode=yes -o StrictHostKeyChecking=accept-new pelk 'echo "$USER $PWD"'
check_status 0 "ssh through the alias"
check_out "ssh through the alias" "dev /home/dev"
RUN_QUIET=1 laptop ssh -G example-work
grep -qx 'serveralivecountmax 7' "$RUN_OUT" || check_fail "the user's global setting no longer reaches their own host"

# Two-way code session with ignores: the server's projects arrive, ignored
# paths stay behind, and on the first cycle a file that differs on both sides
# is a conflict that the laptop (alpha) wins.
as_laptop mkdir -p "$LAPTOP_HOME/Code/api"
printf 'laptop version\n' | as_laptop tee "$LAPTOP_HOME/Code/api/main.go" >/dev/null
touch -d '1 hour ago' "$LAPTOP_HOME/Code/api/main.go"
laptop mutagen sync create --name pelk-code --mode two-way-resolved --ignore=node_modules '--ignore=*.log' \
  "$LAPTOP_HOME/Code" pelk:Code
check_status 0 "mutagen create (two-way)"
check_file "$SERVER_HOME/Code/api/main.go" $'laptop version\n'
check_same_file "$LAPTOP_HOME/Code/my.app/README.md" "$SERVER_HOME/Code/my.app/README.md"
check_absent "$LAPTOP_HOME/Code/web/debug.log"
check_absent "$LAPTOP_HOME/Code/web/node_modules"
laptop mutagen sync create --name pelk-code --mode two-way-resolved "$LAPTOP_HOME/Code" pelk:Code
check_status 1 "mutagen create refuses an existing name"

printf 'from the laptop\n' >"$LAPTOP_HOME/Code/web/notes.txt"
chown "$LAPTOP_USER:$LAPTOP_USER" "$LAPTOP_HOME/Code/web/notes.txt"
laptop mutagen sync flush pelk-code
check_status 0 "mutagen flush"
check_same_file "$SERVER_HOME/Code/web/notes.txt" "$LAPTOP_HOME/Code/web/notes.txt"

# One-way replica: beta becomes alpha's copy, the ignored folder survives.
as_dev mkdir -p Share/box/out
as_dev sh -c 'echo stale > Share/box/stale.txt; echo result > Share/box/out/result.txt'
mkdir -p "$LAPTOP_HOME/pelk-share"
printf 'shot\n' >"$LAPTOP_HOME/pelk-share/shot.png"
chown -R "$LAPTOP_USER:$LAPTOP_USER" "$LAPTOP_HOME/pelk-share"
laptop mutagen sync create --name pelk-share --mode one-way-replica --ignore /from-server --ignore /out \
  "$LAPTOP_HOME/pelk-share" pelk:Share/box
check_status 0 "mutagen create (one-way)"
check_same_file "$SERVER_HOME/Share/box/shot.png" "$LAPTOP_HOME/pelk-share/shot.png"
check_absent "$SERVER_HOME/Share/box/stale.txt"
check_exists "$SERVER_HOME/Share/box/out/result.txt"

laptop mutagen sync list
check_status 0 "mutagen list"
check_eq "listed names and endpoints" "$(grep -E '^(Name|	URL|Status):' "$RUN_OUT")" \
  "Name: pelk-code
	URL: $LAPTOP_HOME/Code
	URL: pelk:Code
Status: Watching for changes
Name: pelk-share
	URL: $LAPTOP_HOME/pelk-share
	URL: pelk:Share/box
Status: Watching for changes"
laptop mutagen sync terminate pelk-code
laptop mutagen sync list pelk-code
check_status 1 "listing a terminated session"

# An unreachable endpoint fails the create.
laptop mutagen sync create --name other --mode one-way-replica "$LAPTOP_HOME/pelk-share" nowhere.invalid:x
check_status 1 "mutagen create with an unreachable server"

# The elevated script lands in the throwaway /etc, the resolver view follows
# the restarted resolved, and the machine's own folders stay as they are.
laptop sudo sh -c "mkdir -p /etc/systemd/resolved.conf.d && printf '[Resolve]\nDNS=127.0.0.1\nDomains=~pelk.test\n' > /etc/systemd/resolved.conf.d/pelk.conf && systemctl restart systemd-resolved"
check_status 0 "sudo stand-in"
check_file "$(system_file /etc/systemd/resolved.conf.d/pelk.conf)" $'[Resolve]\nDNS=127.0.0.1\nDomains=~pelk.test\n'
check_absent /etc/systemd/resolved.conf.d/pelk.conf
laptop getent hosts pelk-check.pelk.test
check_out "the routed zone resolves to the server" "127.0.0.1       pelk-check.pelk.test"
laptop sudo sh -c 'touch /var/lib/pelk-e2e-probe'
check_status 1 "root outside the throwaway folders"
check_absent /var/lib/pelk-e2e-probe

e2e_end
