# Runs one command as the laptop account, as root first inside a private mount
# namespace (started with unshare -m) that gives the laptop its own view of
# the system: /etc and /usr/local are overlays whose changes land in
# $W/system, /run is private with systemd-resolved's folder in it, name lookups
# follow the resolved stand-in, and the rest of / is read-only, so nothing run
# from here (elevated scripts included) can change the machine itself.
# Environment: W, LAPTOP_USER, LAPTOP_HOME, LAPTOP_PATH, LAPTOP_TERM.
set -eu
source "$(dirname "${BASH_SOURCE[0]}")/laptop_system.sh"
laptop_system_mounts
mkdir -p /run/systemd/resolve
printf 'nameserver 127.0.0.53\noptions edns0 trust-ad\nsearch .\n' >/run/systemd/resolve/stub-resolv.conf
mount --bind /run/systemd/resolve/stub-resolv.conf /etc/resolv.conf

# systemd-resolved with the server's DNS behind it: a name in a routed domain
# resolves to the address of the DNS server the route names (the server's DNS
# answers every site with its own address).
hosts=/run/pelk-e2e-hosts
cp /etc/hosts "$hosts"
if [ -f "$W/state/resolved-routes" ]; then
  while read -r domain dns; do
    printf '%s pelk-check.%s\n' "$dns" "$domain" >>"$hosts"
  done <"$W/state/resolved-routes"
fi
mount --bind "$hosts" /etc/hosts

laptop_root_read_only
cd "$LAPTOP_HOME"
exec setpriv --reuid="$LAPTOP_USER" --regid="$LAPTOP_USER" --init-groups -- \
  env -i HOME="$LAPTOP_HOME" USER="$LAPTOP_USER" LOGNAME="$LAPTOP_USER" SHELL=/bin/bash \
  PATH="$LAPTOP_PATH" LANG=C.UTF-8 TERM="$LAPTOP_TERM" PELK_E2E_WORK="$W" "$@"
