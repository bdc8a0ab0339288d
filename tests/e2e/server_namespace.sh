# Starts the server's sshd in a private mount namespace (started with
# unshare -m): /run and /tmp are its own, the login records go to throwaway
# files and everything but /home/dev is read-only, so the server side leaves
# nothing on the machine outside the dev account's home.
# Environment: W, SERVER_HOME, and SSHD_CONFIG when not $W/sshd/sshd_config.
set -eu
mount --make-rprivate /
mount -t tmpfs -o mode=0755 tmpfs /run
mkdir -m 0755 /run/sshd
mount --bind "$W/server-tmp" /tmp
mount --bind "$SERVER_HOME" "$SERVER_HOME"
mount --bind "$W/sshd/run" "$W/sshd/run"
for record in /var/log/wtmp /var/log/btmp /var/log/lastlog /var/log/faillog; do
  [ -f "$record" ] || continue
  : >"$W/sshd/run/${record##*/}"
  mount --bind "$W/sshd/run/${record##*/}" "$record"
done
mount -o remount,bind,ro /
exec /usr/sbin/sshd -D -f "${SSHD_CONFIG:-$W/sshd/sshd_config}" -E "$W/sshd/run/sshd.log"
