#!/usr/bin/env bash
# The site in a real browser: the server as a host of its own, the laptop with
# the real systemd-resolved. Each check fails before connect and passes after;
# disconnect takes the route away. Then the Linux routes, in turn: the drop-in
# with its warning (the server sees the laptop's other lookups, counted and
# reported); the drop-in with an uplink that takes every other name ("~.": no
# warning, none reach the server); the zone routed on the tailnet's link (no
# drop-in, none reach the server); and global DNS= servers of the laptop's own
# beside the drop-in (connect warns, status shows the zone lost).
. "$(dirname "$0")/../harness.sh"
. "$E2E_DIR/hosts.sh"
started=$(date +%s)
skip_unless_root
hosts_skip_unless_possible
e2e_prepare
trap 'status=$?; stop_resolved; (exit $status); e2e_cleanup' EXIT
hosts_install_packages
start_hosts
DROP_IN=/etc/systemd/resolved.conf.d/pelk.conf
OTHER_NAMES="mail.example news.example shop.example docs.example"

resolves_to() { # name expected-address
  RUN_QUIET=1 laptop getent hosts "$1"
  [ "$RUN_STATUS" = 0 ] && [ "$(awk '{print $1}' "$RUN_OUT" | head -n 1)" = "$2" ]
}

page_in_curl() {
  laptop curl -sS --max-time 10 -o /dev/null -w '%{http_code}' https://web.pelk.test/
  [ "$RUN_STATUS" = 0 ] && [ "$(cat "$RUN_OUT")" = 200 ]
}

# Chromium as the laptop's user, with a profile of its own for each run;
# --dump-dom exits 0 even when the page failed, so the page text and the
# errors on standard error decide.
page_in_chromium() {
  local profile
  profile=$(mktemp -d "$W/laptop-tmp/chromium.XXXXXX")
  chown "$LAPTOP_USER:$LAPTOP_USER" "$profile"
  RUN_QUIET=1 RUN_QUIET_ERR=1 laptop chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="/tmp/${profile##*/}" --dump-dom https://web.pelk.test/
  rm -rf "$profile"
  grep -o 'net::ERR_[A-Z_]*' "$RUN_ERR" | sed 's/^/  ! /'
  grep -q 'net::ERR_' "$RUN_ERR" && return 1
  grep -q 'Ciphers supported in s_server binary' "$RUN_OUT"
}

restarts() { calls | grep -cx 'systemctl restart systemd-resolved'; }

status_dns_line() {
  pelk laptop status >&2
  grep '^DNS:' "$RUN_OUT"
}

# Before connect: the ordinary DNS answers, the sites zone does not.
resolves_to docs.example "$ORDINARY_ANSWER" || check_fail "the ordinary DNS does not answer before connect"
resolves_to web.pelk.test "$SERVER_ADDRESS" && check_fail "web.pelk.test resolves before connect"
page_in_curl && check_fail "curl opened the site before connect"
page_in_chromium && check_fail "Chromium opened the site before connect"
status_dns_line && check_fail "status shows DNS before connect"

# Connect with no route for the zone on any link: the drop-in, and the
# warning that it makes the server a DNS server for every name.
log_from=$(($(server_log_lines) + 1))
pelk laptop connect
require_status 0 "connect"
grep -qF "  WARNING: systemd-resolved takes your server ($SERVER_ADDRESS) as a DNS server for every name" "$RUN_OUT" ||
  check_fail "connect did not warn that other lookups go to the server"
check_file "$(system_file $DROP_IN)" $'[Resolve]\nDNS=10.77.0.1\nDomains=~pelk.test\n'
resolves_to web.pelk.test "$SERVER_ADDRESS" || check_fail "web.pelk.test does not resolve to the server after connect"
resolves_to docs.example "$ORDINARY_ANSWER" || check_fail "an unrelated name no longer resolves after connect"
page_in_curl || check_fail "curl did not open the site after connect"
page_in_chromium || check_fail "Chromium did not open the site after connect"
check_eq "status DNS line" "$(status_dns_line)" "DNS:        ok"
for name in $OTHER_NAMES; do
  resolves_to "$name" "$ORDINARY_ANSWER" || check_fail "$name does not resolve while connected"
done
with_drop_in=$(other_queries_at_server "$log_from")
say "queries for other names that reached the server with the drop-in: $with_drop_in" \
  "($(other_queries_at_server "$log_from" example) for the four names looked up, the rest Chromium's own)"
[ "$with_drop_in" -gt 0 ] || check_fail "with the drop-in no other name reached the server: the warning would be wrong"

# Disconnect takes the route away.
pelk laptop disconnect
check_status 0 "disconnect"
check_system_file_removed $DROP_IN
resolves_to web.pelk.test "$SERVER_ADDRESS" && check_fail "web.pelk.test still resolves after disconnect"

# A laptop whose uplink takes every other name ("~."): the drop-in still
# routes the zone, no warning, and no other name reaches the server.
on_laptop "$RESOLVECTL" domain uplink0 '~.' || die "cannot give the uplink the routing domain ~."
log_from=$(($(server_log_lines) + 1))
pelk laptop connect
require_status 0 "connect with ~. on the uplink"
grep -q WARNING "$RUN_OUT" && check_fail "connect warned though the uplink takes every other name"
check_file "$(system_file $DROP_IN)" $'[Resolve]\nDNS=10.77.0.1\nDomains=~pelk.test\n'
resolves_to web.pelk.test "$SERVER_ADDRESS" || check_fail "web.pelk.test does not resolve with ~. on the uplink"
for name in $OTHER_NAMES; do
  resolves_to "uplink-$name" "$ORDINARY_ANSWER" || check_fail "uplink-$name does not resolve with ~. on the uplink"
done
catch_all=$(other_queries_at_server "$log_from")
say "queries for other names that reached the server with the drop-in and ~. on the uplink: $catch_all"
check_eq "queries for other names at the server, ~. on the uplink" "$catch_all" 0
on_laptop "$RESOLVECTL" domain uplink0 '' || die "cannot take ~. off the uplink"

# The tailnet's split DNS routes the zone on its own link: connect removes
# the drop-in left from before, and the server sees only the sites zone.
on_laptop "$RESOLVECTL" dns tailscale0 "$SERVER_ADDRESS" && on_laptop "$RESOLVECTL" domain tailscale0 '~pelk.test' ||
  die "cannot route the zone on tailscale0"
log_from=$(($(server_log_lines) + 1))
restarts_before=$(restarts)
pelk laptop connect
require_status 0 "connect with the zone routed on tailscale0"
grep -qx "  Your tailnet already sends \*.pelk.test to your server (split DNS on tailscale0), so pelk adds no DNS setting of its own." "$RUN_OUT" ||
  check_fail "connect did not say the tailnet already routes the zone"
grep -q WARNING "$RUN_OUT" && check_fail "connect warned though the zone is routed on tailscale0"
check_system_file_removed $DROP_IN
[ "$(restarts)" -gt "$restarts_before" ] || check_fail "systemd-resolved was not restarted after the drop-in went"
resolves_to web.pelk.test "$SERVER_ADDRESS" || check_fail "web.pelk.test does not resolve through tailscale0"
page_in_curl || check_fail "curl did not open the site through tailscale0"
page_in_chromium || check_fail "Chromium did not open the site through tailscale0"
check_eq "status DNS line, routed on tailscale0" "$(status_dns_line)" "DNS:        ok"
for name in $OTHER_NAMES; do
  name=routed-$name
  resolves_to "$name" "$ORDINARY_ANSWER" || check_fail "$name does not resolve while connected through tailscale0"
done
routed=$(other_queries_at_server "$log_from")
say "queries for other names that reached the server with the zone routed on tailscale0: $routed"
check_eq "queries for other names at the server, routed on tailscale0" "$routed" 0

# Global DNS= servers of the laptop's own join the drop-in's: connect says so,
# and status shows it, since the first of them (the ordinary DNS, which knows
# no name under test) is the one asked.
on_laptop "$RESOLVECTL" revert tailscale0 || die "cannot take the route off tailscale0"
printf '[Resolve]\nDNS=%s\nFallbackDNS=\nLLMNR=no\nMulticastDNS=no\n' "$ORDINARY_DNS" |
  on_laptop tee /etc/systemd/resolved.conf >/dev/null && on_laptop bash "$W/root/resolved.sh" restart ||
  die "cannot give systemd-resolved global DNS servers"
pelk laptop connect
require_status 0 "connect with global DNS servers"
grep -qx "  WARNING: /etc/systemd/resolved.conf also gives systemd-resolved DNS= servers for every name, so \*.pelk.test may go to them instead of your server; pelk laptop status will show it." "$RUN_OUT" ||
  check_fail "connect did not warn about the global DNS servers"
check_eq "status DNS line with global DNS servers beside the drop-in" "$(status_dns_line)" \
  "DNS:        *.pelk.test does not resolve; run pelk laptop connect"

say "scenario time: $(($(date +%s) - started)) s"
e2e_end
