# The laptop as a host of its own, started with unshare --mount --net and kept
# by the sleep it ends in: commands join it with nsenter. Like
# laptop_namespace.sh, /etc and /usr/local are overlays whose changes land in
# $W/system, /run and /tmp are private and the rest of / is read-only; here the
# real systemd-resolved answers at 127.0.0.53, so its account, its bus policy
# and a resolv.conf that points at its stub are written into the laptop's own
# /etc.
# Environment: W (the harness's folder), RESOLVED_ROOT (the unpacked package).
set -eu
source "$(dirname "${BASH_SOURCE[0]}")/laptop_system.sh"
laptop_system_mounts
mkdir -p /run/dbus /run/systemd

rm -f /etc/resolv.conf
printf 'nameserver 127.0.0.53\noptions edns0 trust-ad\nsearch .\n' >/etc/resolv.conf
getent passwd systemd-resolve >/dev/null ||
  useradd --system --no-create-home --home-dir / --shell /usr/sbin/nologin systemd-resolve
mkdir -p /etc/dbus-1/system.d /etc/systemd
cp "$RESOLVED_ROOT/usr/share/dbus-1/system.d/org.freedesktop.resolve1.conf" /etc/dbus-1/system.d/
# Nothing but the links' servers: no fallback servers, no multicast names.
printf '[Resolve]\nFallbackDNS=\nLLMNR=no\nMulticastDNS=no\n' >/etc/systemd/resolved.conf

laptop_root_read_only
ip link set lo up
touch "$W/hosts/laptop-ready"
exec sleep infinity
