#!/usr/bin/env bash
# The health report of a connected laptop: five lines, every piece healthy,
# each found afresh (the address through Tailscale, the login with the real
# client, the check name through the laptop's resolver, the sessions).
. "$(dirname "$0")/../harness.sh"
e2e_begin
connect_laptop

: >"$W/state/calls.log"
pelk laptop status
check_status 0 "status"
check_out "status report" "Server:     pelk (127.0.0.1, online)
SSH:        ok
DNS:        ok
File sync:  Watching for changes
Sharing:    ok"
check_err "status" ""
check_eq "stand-ins status ran" "$(calls)" "tailscale status --json
mutagen sync list pelk-code
mutagen sync list pelk-share"

# Sharing switched off shows as such, without asking Mutagen about it.
pelk laptop share off
check_status 0 "share off"
check_out "share off" "  File sharing is off."
: >"$W/state/calls.log"
pelk laptop status
check_eq "the sharing line with sharing off" "$(tail -n 1 "$RUN_OUT")" "Sharing:    off"
calls | grep -q '^mutagen sync list pelk-share$' && check_fail "status asked Mutagen about sharing while it is off"

e2e_end
