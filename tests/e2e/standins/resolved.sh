#!/usr/bin/env bash
# Starts or restarts the real systemd-resolved inside the laptop's namespaces,
# as root: there is no systemd to do it, so the old process is stopped by the
# pid kept in hosts/resolved.pid and the new one counts as ready once its stub
# listens on 127.0.0.53. A restart is what makes it read its drop-ins again.
# Usage: resolved.sh start|restart
W=${PELK_E2E_WORK:-/var/tmp/pelk-e2e}
HOSTS=$W/hosts
RESOLVED=$W/cache/systemd-resolved/root/lib/systemd/systemd-resolved
pidfile=$HOSTS/resolved.pid

stub_listens() { ss -Hlun 'sport = :53' | grep -q '127\.0\.0\.53'; }

if [ -f "$pidfile" ]; then
  old=$(cat "$pidfile")
  kill "$old" 2>/dev/null
  for _ in $(seq 100); do
    kill -0 "$old" 2>/dev/null || break
    sleep 0.05
  done
  kill -0 "$old" 2>/dev/null && { echo "systemd-resolved (pid $old) did not stop" >&2; exit 1; }
fi
# Its own session, so no hang-up of the caller's terminal reaches it (it ends
# on SIGHUP).
setsid "$RESOLVED" </dev/null >>"$HOSTS/resolved.log" 2>&1 &
echo $! >"$pidfile"
# Also where the harness finds what a killed run left running.
printf '%s %s %s\n' "$!" "$(sed 's/.*) //' "/proc/$!/stat" | cut -d' ' -f20)" "$RESOLVED" >>"$W/pids"
for _ in $(seq 200); do
  stub_listens && exit 0
  kill -0 "$(cat "$pidfile")" 2>/dev/null || break
  sleep 0.05
done
echo "systemd-resolved did not start; its log:" >&2
tail -n 20 "$HOSTS/resolved.log" >&2
exit 1
