#!/usr/bin/env bash
# The server changes its sync rules and pelk laptop sync follows them: a
# project turns server-only and back (the laptop's stale copy is moved aside
# and the server's version comes back), then sync is switched off and on.
. "$(dirname "$0")/../harness.sh"
e2e_begin
L=$LAPTOP_HOME
S=$SHARE_ON_SERVER
SHARE_LINES="  File sharing: $L/pelk-share -> $S on the server
  From the server: $S/out -> $L/pelk-share/from-server"
IGNORES='["node_modules", "*.log"]'
normalised() { sed -E 's#-pelk-old/[0-9]+(-[0-9]+)?#-pelk-old/<T>#' "$RUN_OUT"; }
code_session_calls() { calls | grep -E '^mutagen sync (flush|terminate|create).* pelk(-code|:Code)'; }

connect_laptop

pelk laptop sync
check_status 0 "sync with unchanged rules"
check_out "sync with unchanged rules" "  The sync session is up to date.
$SHARE_LINES"

# api turns server-only.
write_server_rules "$IGNORES" '["api"]'
: >"$W/state/calls.log"
pelk laptop sync
check_status 0 "sync after api turned server-only"
check_out "sync after api turned server-only" "  Applied the new sync rules.
  Server only, no longer synced: api. The copies in $L/Code can be deleted.
$SHARE_LINES"
check_eq "code session runs" "$(code_session_calls)" "mutagen sync flush pelk-code
mutagen sync terminate pelk-code
mutagen sync create --name pelk-code --mode two-way-resolved --ignore=node_modules --ignore=\\*.log --ignore=/api $L/Code pelk:Code"

# While api is server-only both sides change it; neither reaches the other.
as_dev sh -c 'printf "package main // v2\n" >Code/api/main.go'
as_laptop sh -c "printf 'laptop edit\n' >'$L/Code/api/main.go'; printf 'scratch\n' >'$L/Code/api/notes.txt'"
touch -d '1 minute ago' "$L/Code/api/main.go"
pelk laptop status
check_file "$SERVER_HOME/Code/api/main.go" $'package main // v2\n'
check_absent "$SERVER_HOME/Code/api/notes.txt"

# api is synced again: the laptop's copy goes aside and the server's returns.
write_server_rules "$IGNORES" '[]'
pelk laptop sync
check_status 0 "sync after api came back"
check_eq "sync after api came back" "$(normalised)" "  Syncing again from the server: api. The older laptop copies are in $L/Code-pelk-old/<T>.
  Applied the new sync rules.
$SHARE_LINES"
old=$(find "$L/Code-pelk-old" -mindepth 1 -maxdepth 1 -type d | head -n 1)
check_file "$old/api/main.go" $'laptop edit\n'
check_file "$old/api/notes.txt" $'scratch\n'
check_file "$L/Code/api/main.go" $'package main // v2\n'
check_file "$SERVER_HOME/Code/api/main.go" $'package main // v2\n'
check_absent "$L/Code/api/notes.txt"
check_absent "$SERVER_HOME/Code/api/notes.txt"

# Sync switched off, then on again: every project the laptop holds comes back
# from the server.
write_server_rules "$IGNORES" '[]' false
pelk laptop sync
check_status 0 "sync switched off"
check_out "sync switched off" "  File sync is off for this server: open projects over SSH (ssh pelk). Your copy in $L/Code stays as it is.
$SHARE_LINES"
check_absent "$W/state/mutagen/pelk-code.session"
check_exists "$L/Code/web/index.html"

as_dev sh -c 'printf "<h1>web v2</h1>\n" >Code/web/index.html'
write_server_rules "$IGNORES" '[]'
pelk laptop sync
check_status 0 "sync switched on again"
check_eq "sync switched on again" "$(normalised)" "  Syncing again from the server: api, my.app, web. The older laptop copies are in $L/Code-pelk-old/<T>.
$SHARE_LINES"
check_file "$L/Code/web/index.html" $'<h1>web v2</h1>\n'
check_exists "$W/state/mutagen/pelk-code.session"

e2e_end
