# Three hosts for the scenarios that need real name resolution, sourced after
# harness.sh: the server (network namespace, 10.77.0.1) with the real sshd,
# dnsmasq answering the sites zone and an HTTPS site whose certificate the
# environment's CA signed; the ordinary DNS of the laptop's network
# (10.78.0.1), answering every name under `example` and, like a public
# resolver, no name under `test`; and the laptop (its own
# mount and network namespaces) with the real systemd-resolved, which reaches
# the server over the link tailscale0 (10.77.0.2) and the ordinary DNS over
# uplink0 (10.78.0.2). The addresses exist only inside these namespaces.
# Every process started here is stopped by its pid when the scenario ends.

SERVER_ADDRESS=10.77.0.1
ORDINARY_DNS=10.78.0.1
ORDINARY_ANSWER=192.0.2.80
HOSTS=$W/hosts
RESOLVED_CACHE=$W/cache/systemd-resolved
RESOLVECTL=$RESOLVED_CACHE/root/usr/bin/resolvectl

hosts_skip_unless_possible() {
  unshare --net -- true 2>/dev/null || {
    say "skipped: this machine does not allow private network namespaces (unshare -n)"
    exit $SKIP_STATUS
  }
}

# systemd-resolved is unpacked, never installed: its package would rewire the
# machine's own /etc/resolv.conf. The version matches the installed systemd
# when the archive still has it, since both share its private library.
fetch_resolved() {
  local version deb
  version=$(dpkg-query -W -f='${Version}' systemd 2>/dev/null)
  [ -x "$RESOLVED_CACHE/root/lib/systemd/systemd-resolved" ] &&
    [ "$(cat "$RESOLVED_CACHE/version" 2>/dev/null)" = "$version" ] && return 0
  rm -rf "$RESOLVED_CACHE"
  mkdir -p "$RESOLVED_CACHE"
  download() { apt-get download -q "systemd-resolved=$version" || apt-get download -q systemd-resolved; }
  # On a machine whose package lists were never fetched, fetch them once.
  (cd "$RESOLVED_CACHE" && { download || { apt-get update -qq && download; }; }) >"$RESOLVED_CACHE/download.log" 2>&1 ||
    die "cannot download systemd-resolved: $(tail -n 3 "$RESOLVED_CACHE/download.log")"
  deb=$(ls "$RESOLVED_CACHE"/systemd-resolved_*.deb)
  dpkg-deb -x "$deb" "$RESOLVED_CACHE/root" || die "cannot unpack $deb"
  printf '%s' "$version" >"$RESOLVED_CACHE/version"
}

hosts_install_packages() {
  # shellcheck source=../../scripts/deps.sh
  . "$REPO_DIR/scripts/deps.sh"
  install_missing systemd dbus dnsmasq-base curl chromium libnss3-tools ||
    die "cannot install the packages of the three hosts"
  fetch_resolved
}

# A process that holds new namespaces open until it is stopped.
hold_namespaces() { # variable unshare-options... -- command...
  local variable=$1 pid
  shift
  unshare "$@" &
  pid=$!
  track "$pid"
  printf -v "$variable" '%s' "$pid"
  for _ in $(seq 100); do
    [ "$(readlink "/proc/$pid/ns/net" 2>/dev/null)" != "$(readlink /proc/self/ns/net)" ] && {
      remember "$pid"
      return 0
    }
    sleep 0.05
  done
  die "namespaces for $variable did not come up"
}

on_server() { nsenter -t "$SERVER_HOST" -n -- "$@"; }
on_ordinary_dns() { nsenter -t "$DNS_HOST" -n -- "$@"; }
# As root on the laptop.
on_laptop() { nsenter -t "$LAPTOP_HOST" -m -n -- env PELK_E2E_WORK="$W" "$@"; }

# The harness's laptop runs, but on the laptop host.
laptop() {
  RUN_COUNT=$((RUN_COUNT + 1))
  RUN_OUT=$W/runs/$RUN_COUNT.out
  RUN_ERR=$W/runs/$RUN_COUNT.err
  nsenter -t "$LAPTOP_HOST" -m -n --wd="$LAPTOP_HOME" -- \
    setpriv --reuid="$LAPTOP_USER" --regid="$LAPTOP_USER" --init-groups -- \
    env -i HOME="$LAPTOP_HOME" USER="$LAPTOP_USER" LOGNAME="$LAPTOP_USER" SHELL=/bin/bash \
    PATH="$LAPTOP_PATH:$RESOLVED_CACHE/root/usr/bin" LANG=C.UTF-8 TERM=dumb PELK_E2E_WORK="$W" \
    "$@" <"${RUN_IN:-/dev/null}" >"$RUN_OUT" 2>"$RUN_ERR"
  RUN_STATUS=$?
  local shown="$*"
  say "\$ ${shown//"$PELK_BINARY"/pelk} (exit $RUN_STATUS)"
  [ -n "${RUN_QUIET:-}" ] || sed 's/^/  | /' "$RUN_OUT"
  [ -s "$RUN_ERR" ] && [ -z "${RUN_QUIET_ERR:-}" ] && sed 's/^/  ! /' "$RUN_ERR"
  return 0
}

# $! is the program itself: nsenter and unshare exec it.
background() { # log command...
  local log=$1
  shift
  "$@" >"$log" 2>&1 &
  track "$!"
  remember "$!"
}

wait_for() { # what command...
  local what=$1
  shift
  for _ in $(seq 100); do
    "$@" 2>/dev/null && return 0
    sleep 0.05
  done
  die "$what did not come up"
}

make_site_certificate() {
  openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj "/CN=web.pelk.test" \
    -keyout "$HOSTS/site.key" -out "$HOSTS/site.csr" 2>/dev/null &&
    printf 'subjectAltName=DNS:*.pelk.test\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' \
      >"$HOSTS/site.ext" &&
    openssl x509 -req -in "$HOSTS/site.csr" -CA "$W/keys/ca.cert.pem" -CAkey "$W/keys/ca.key.pem" \
      -CAcreateserial -days 365 -extfile "$HOSTS/site.ext" -out "$HOSTS/site.pem" 2>/dev/null ||
    die "cannot make the site's certificate"
}

start_hosts() {
  mkdir -p "$HOSTS"
  chmod 0755 "$HOSTS"
  hold_namespaces SERVER_HOST --net -- sleep infinity
  hold_namespaces DNS_HOST --net -- sleep infinity
  W=$W RESOLVED_ROOT=$RESOLVED_CACHE/root hold_namespaces LAPTOP_HOST --mount --net -- \
    bash "$E2E_DIR/laptop_host.sh"
  wait_for "the laptop host" test -f "$HOSTS/laptop-ready"

  ip link add tailscale0 netns "$LAPTOP_HOST" type veth peer name srv0 netns "$SERVER_HOST" &&
    ip link add uplink0 netns "$LAPTOP_HOST" type veth peer name dns0 netns "$DNS_HOST" &&
    on_server ip addr add "$SERVER_ADDRESS/24" dev srv0 && on_server ip link set srv0 up &&
    on_server ip link set lo up &&
    on_ordinary_dns ip addr add "$ORDINARY_DNS/24" dev dns0 && on_ordinary_dns ip link set dns0 up &&
    on_laptop ip addr add 10.77.0.2/24 dev tailscale0 && on_laptop ip link set tailscale0 up &&
    on_laptop ip addr add 10.78.0.2/24 dev uplink0 && on_laptop ip link set uplink0 up ||
    die "cannot wire the hosts together"

  # The server: sshd, its DNS for the sites zone (--local keeps AAAA queries
  # from being refused), and the site.
  sed "s/^ListenAddress .*/ListenAddress $SERVER_ADDRESS:22/" "$W/sshd/sshd_config" >"$W/sshd/sshd_config_host"
  : >"$W/sshd/run/sshd.log"
  SSHD_CONFIG=$W/sshd/sshd_config_host W=$W SERVER_HOME=$SERVER_HOME \
    background "$HOSTS/sshd.out" nsenter -t "$SERVER_HOST" -n -- unshare --mount -- bash "$E2E_DIR/server_namespace.sh"
  background "$HOSTS/server-dns.log" nsenter -t "$SERVER_HOST" -n -- dnsmasq --keep-in-foreground --log-facility=- --log-queries \
    --conf-file=/dev/null --no-resolv --no-hosts --pid-file= --bind-interfaces --listen-address="$SERVER_ADDRESS" \
    --address=/pelk.test/"$SERVER_ADDRESS" --local=/pelk.test/
  make_site_certificate
  background "$HOSTS/site.log" nsenter -t "$SERVER_HOST" -n -- openssl s_server -quiet -www -accept 443 \
    -cert "$HOSTS/site.pem" -key "$HOSTS/site.key"
  # The ordinary DNS of the laptop's network.
  background "$HOSTS/ordinary-dns.log" nsenter -t "$DNS_HOST" -n -- dnsmasq --keep-in-foreground --log-facility=- \
    --log-queries --conf-file=/dev/null --no-resolv --no-hosts --pid-file= --bind-interfaces \
    --listen-address="$ORDINARY_DNS" --address=/example/"$ORDINARY_ANSWER" --local=/example/ --address=/test/
  wait_for "the server's sshd" on_server sh -c "ss -Hltn 'sport = :22' | grep -q ."
  wait_for "the server's DNS" on_server sh -c "ss -Hlun 'sport = :53' | grep -q ."
  wait_for "the site" on_server sh -c "ss -Hltn 'sport = :443' | grep -q ."
  wait_for "the ordinary DNS" on_ordinary_dns sh -c "ss -Hlun 'sport = :53' | grep -q ."

  # The laptop: its system bus (resolvectl's way in), systemd-resolved, and
  # the ordinary DNS on its uplink (a default route, with no routing domain).
  background "$HOSTS/dbus.log" nsenter -t "$LAPTOP_HOST" -m -n -- dbus-daemon --system --nofork --nopidfile
  wait_for "the laptop's system bus" on_laptop test -S /run/dbus/system_bus_socket
  on_laptop bash "$W/root/resolved.sh" start || die "cannot start systemd-resolved"
  on_laptop "$RESOLVECTL" dns uplink0 "$ORDINARY_DNS" || die "cannot give the uplink its DNS"
  printf '%s' "$SERVER_ADDRESS" >"$W/state/server-address"
}

stop_resolved() {
  [ -f "$HOSTS/resolved.pid" ] && stop_pid "$(cat "$HOSTS/resolved.pid")"
  rm -f "$HOSTS/resolved.pid"
}

# Queries at the server for names outside the sites zone, from the line given
# on; with a domain, only for names under it.
other_queries_at_server() { # first-line [domain]
  tail -n +"$1" "$HOSTS/server-dns.log" | grep -E 'query\[[A-Z]+\] ' |
    grep -vE 'query\[[A-Z]+\] ([^ ]*\.)?pelk\.test ' | grep -E "query\[[A-Z]+\] ([^ ]*\.)?${2:-[^ ]*} " | wc -l
}
server_log_lines() { wc -l <"$HOSTS/server-dns.log"; }
