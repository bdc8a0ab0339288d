# The machine for the end-to-end scenarios, sourced by each of them: a real
# OpenSSH server on 127.0.0.1:22 for the server account dev (/home/dev), a
# laptop account with a fresh home, and the stand-ins for what Debian does not
# ship first on the laptop's PATH. Everything the harness starts is stopped by
# its pid when the scenario ends, also on failure; it binds only to 127.0.0.1
# and changes nothing on the machine outside its two accounts, /home/dev and
# $W, which later runs reuse.
#
# A scenario calls e2e_begin, then drives pelk with `pelk ARGS...` (the laptop
# account, in the laptop's namespace) and checks with the check_* helpers;
# e2e_end gives its exit status.

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO_DIR=$(cd "$E2E_DIR/../.." && pwd)
W=/var/tmp/pelk-e2e
LAPTOP_USER=pelklaptop
LAPTOP_HOME=$W/home/laptop
SERVER_USER=dev
SERVER_HOME=/home/dev
# What the hostname stand-in's name becomes on the server.
LAPTOP_FOLDER=e2e-laptop
SHARE_ON_SERVER=/home/dev/Share/$LAPTOP_FOLDER
ACCOUNT_MARK="pelk end-to-end tests"
SKIP_STATUS=77

E2E_FAILURES=0
E2E_PIDS=()
RUN_COUNT=0

say() { printf '%s\n' "$*"; }

# ---------------------------------------------------------------- checks

check_fail() {
  E2E_FAILURES=$((E2E_FAILURES + 1))
  say "FAIL: $*"
  return 1
}

# Stops the scenario at once: later steps would only fail after this one.
die() {
  check_fail "$*"
  exit 1
}

check_eq() { # what actual expected
  if [ "$2" != "$3" ]; then
    check_fail "$1"
    diff -u <(printf '%s\n' "$3") <(printf '%s\n' "$2") | sed 's/^/    /'
    return 1
  fi
}

check_status() { # expected-status what
  [ "$RUN_STATUS" = "$1" ] || check_fail "$2: exit status $RUN_STATUS, expected $1"
}

# For a step the rest of the scenario builds on.
require_status() { # expected-status what
  check_status "$@" || exit 1
}

check_out() { # what expected-stdout (whole)
  check_eq "$1 (standard output)" "$(cat "$RUN_OUT")" "$2"
}

check_err() { # what expected-stderr (whole)
  check_eq "$1 (standard error)" "$(cat "$RUN_ERR")" "$2"
}

check_file() { # path expected-content (whole, compared byte for byte)
  if [ ! -f "$1" ]; then
    check_fail "$1 is missing"
    return 1
  fi
  cmp -s "$1" <(printf '%s' "$2") || {
    check_fail "$1 differs"
    diff -u <(printf '%s' "$2") "$1" | sed 's/^/    /'
    return 1
  }
}

check_same_file() { # actual reference
  cmp -s "$1" "$2" || check_fail "$1 differs from $2"
}

check_exists() { [ -e "$1" ] || check_fail "$1 does not exist"; }
check_dir() { [ -d "$1" ] || check_fail "$1 is not a folder"; }
check_absent() { [ ! -e "$1" ] && [ ! -L "$1" ] || check_fail "$1 exists"; }

# The calls the stand-ins saw since the scenario began, one per line.
calls() { cat "$W/state/calls.log" 2>/dev/null; }

# path, type, mode, link target and content digest of everything below a
# folder, skipping the given top-level names.
manifest() { # folder skipped-name...
  local folder=$1 prune=() name
  shift
  for name in "$@"; do prune+=(-path "./$name" -prune -o); done
  (cd "$folder" && find . "${prune[@]}" -mindepth 1 -printf '%p\t%y\t%m\t%l\n' | sort |
    while IFS=$'\t' read -r path kind mode target; do
      if [ "$kind" = f ]; then
        printf '%s %s %s %s\n' "$path" "$kind" "$mode" "$(sha256sum <"$path" | cut -c1-16)"
      else
        printf '%s %s %s %s\n' "$path" "$kind" "$mode" "$target"
      fi
    done)
}

# ---------------------------------------------------------------- processes

track() { # pid
  E2E_PIDS+=("$1")
}

# A process's start time, which tells it from a later process that reused
# its pid.
started_at() { sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f20; }

# Kept in $W/pids so that a run killed before its clean-up is cleaned up by
# the next one.
remember() { # pid
  printf '%s %s %s\n' "$1" "$(started_at "$1")" "$(tr '\0' ' ' </proc/"$1"/cmdline 2>/dev/null)" >>"$W/pids"
}

stop_pid() {
  kill "$1" 2>/dev/null || return 0
  local i
  for i in $(seq 50); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -KILL "$1" 2>/dev/null
}

# Processes of a run that was killed before it could clean up: each pid is
# stopped only if it is still the process recorded for it.
stop_leftovers() {
  [ -f "$W/pids" ] || return 0
  local pid start cmdline
  while read -r pid start cmdline; do
    if [ -n "$pid" ] && [ -n "$start" ] && [ "$(started_at "$pid")" = "$start" ]; then
      say "stopping pid $pid left by an earlier run: $cmdline"
      stop_pid "$pid"
    fi
  done <"$W/pids"
  : >"$W/pids"
}

# Whatever the two accounts still run when the scenario ends (an ssh session,
# a tmux server on either side) was started for this scenario; each is stopped
# by its pid.
stop_account_processes() {
  local account pid cmdline
  sleep 0.2
  for account in "$LAPTOP_USER" "$SERVER_USER"; do
    for pid in $(ps -o pid= -u "$account" 2>/dev/null); do
      cmdline=$(tr '\0' ' ' 2>/dev/null </proc/"$pid"/cmdline) || continue
      [ -n "$cmdline" ] || continue
      say "stopping $account's pid $pid: $cmdline"
      stop_pid "$pid"
    done
  done
}

e2e_cleanup() {
  local status=$?
  local pid
  for pid in "${E2E_PIDS[@]}"; do stop_pid "$pid"; done
  stop_account_processes
  : >"$W/pids"
  if [ "$status" -ne 0 ] && [ "$status" -ne $SKIP_STATUS ] || [ "$E2E_FAILURES" -gt 0 ]; then
    say ""
    say "=== what the stand-ins saw"
    calls | sed 's/^/  /'
    for script in "$W"/state/elevated/*.sh; do
      [ -f "$script" ] || continue
      say "=== elevated script ${script##*/}"
      sed 's/^/  /' "$script"
      say ""
    done
    say "=== sshd log (last 30 lines)"
    tail -n 30 "$W/sshd/run/sshd.log" 2>/dev/null | sed 's/^/  /'
  fi
}

# ---------------------------------------------------------------- set-up

skip_unless_root() {
  if [ "$(id -u)" -ne 0 ]; then
    say "skipped: the end-to-end scenarios need root (accounts, sshd on 127.0.0.1:22, mount namespaces); run ./test.sh as root"
    exit $SKIP_STATUS
  fi
  command -v unshare >/dev/null && command -v setpriv >/dev/null || {
    say "skipped: unshare and setpriv (util-linux) are needed"
    exit $SKIP_STATUS
  }
  # A container without the right to mount cannot give the laptop and the
  # server their own views of the machine.
  local probe usable=0
  probe=$(mktemp -d)
  mkdir "$probe/lower" "$probe/upper" "$probe/work" "$probe/view"
  unshare --mount -- mount -t overlay overlay \
    -o "lowerdir=$probe/lower,upperdir=$probe/upper,workdir=$probe/work" "$probe/view" 2>/dev/null && usable=1
  rm -rf "$probe"
  [ $usable = 1 ] || {
    say "skipped: this machine does not allow private mount namespaces with overlay mounts (unshare -m, overlayfs)"
    exit $SKIP_STATUS
  }
}

install_packages() {
  # shellcheck source=../../scripts/deps.sh
  . "$REPO_DIR/scripts/deps.sh"
  install_missing openssh-server openssh-client rsync tmux openssl libnss3-tools util-linux iproute2 gcc ||
    die "cannot install the packages the harness needs"
}

# Two accounts of the harness's own, marked in their comment field; an
# account of the same name that the harness did not make is left alone.
ensure_account() { # name home
  local entry
  entry=$(getent passwd "$1")
  if [ -z "$entry" ]; then
    useradd --no-create-home --home-dir "$2" --shell /bin/bash --comment "$ACCOUNT_MARK" --user-group "$1" ||
      die "cannot create the account $1"
  else
    [ "$(cut -d: -f5 <<<"$entry")" = "$ACCOUNT_MARK" ] ||
      die "the account $1 exists and was not made by this harness; not touching it"
    [ "$(cut -d: -f6 <<<"$entry")" = "$2" ] || usermod --home "$2" "$1"
  fi
  # sshd refuses accounts without a password field when PAM is off.
  [ "$(getent shadow "$1" | cut -d: -f2)" = '*' ] || usermod -p '*' "$1"
}

ensure_keys() {
  mkdir -p "$W/keys" "$W/sshd/run"
  [ -f "$W/sshd/ssh_host_ed25519_key" ] ||
    ssh-keygen -q -t ed25519 -N '' -C "pelk-e2e-server" -f "$W/sshd/ssh_host_ed25519_key"
  [ -f "$W/keys/id_ed25519" ] || ssh-keygen -q -t ed25519 -N '' -C "pelklaptop@e2e-laptop" -f "$W/keys/id_ed25519"
  [ -f "$W/keys/ca.cert.pem" ] ||
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 3650 \
      -subj "/CN=pelk e2e environment CA" -keyout "$W/keys/ca.key.pem" -out "$W/keys/ca.cert.pem" 2>/dev/null ||
    die "cannot make the throwaway CA"
}

write_sshd_config() {
  cat >"$W/sshd/sshd_config" <<EOF
ListenAddress 127.0.0.1:22
HostKey $W/sshd/ssh_host_ed25519_key
PidFile $W/sshd/run/sshd.pid
AuthorizedKeysFile .ssh/authorized_keys
PubkeyAuthentication yes
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
AllowUsers $SERVER_USER
PermitRootLogin no
AllowTcpForwarding no
AllowAgentForwarding no
X11Forwarding no
PermitTunnel no
PrintMotd no
PrintLastLog no
AcceptEnv LANG LC_*
Subsystem sftp internal-sftp
LogLevel VERBOSE
KexAlgorithms curve25519-sha256,curve25519-sha256@libssh.org
EOF
}

# The sudo stand-in: setuid root, runnable by the laptop account's group only,
# handing over to the root-owned copy of the stand-ins in $W/root.
install_sudo_standin() {
  rm -rf "$W/root" "$W/bin"
  mkdir -p "$W/root" "$W/bin"
  cp -a "$E2E_DIR/standins/common.sh" "$E2E_DIR/standins/elevate.sh" "$E2E_DIR/standins/resolved.sh" \
    "$E2E_DIR/standins/root" "$W/root/"
  chown -R root:root "$W/root"
  chmod -R go-w "$W/root"
  local uid
  uid=$(id -u "$LAPTOP_USER")
  gcc -O2 -Wall -Wextra -DLAPTOP_UID="$uid" -DLAPTOP_USER="\"$LAPTOP_USER\"" \
    -DELEVATE_SCRIPT="\"$W/root/elevate.sh\"" -o "$W/bin/sudo" "$E2E_DIR/standins/sudo.c" ||
    die "cannot build the sudo stand-in"
  chown "root:$LAPTOP_USER" "$W/bin/sudo"
  chmod 4750 "$W/bin/sudo"
}

# The laptop's namespace has a private /tmp, so the programs it runs (pelk and
# the stand-ins) are copied where it can see them, wherever this checkout and
# its build folder live.
stage_laptop_programs() {
  rm -rf "$W/laptop-programs"
  mkdir -p "$W/laptop-programs"
  cp -a "$E2E_DIR/standins/common.sh" "$E2E_DIR/standins/clipboard.sh" "$E2E_DIR/standins/laptop" \
    "$W/laptop-programs/"
  cp "$PELK_BINARY" "$W/laptop-programs/pelk"
  chmod -R a+rX "$W/laptop-programs"
  PELK_BINARY="$W/laptop-programs/pelk"
  LAPTOP_PATH="$W/bin:$W/laptop-programs/laptop:/usr/local/bin:/usr/bin:/bin"
}

# The server as the scenarios expect it: projects in ~/Code, the environment's
# CA, the sync rules, and the laptop's key authorised.
reset_server() {
  [ "$SERVER_HOME" = /home/dev ] || die "unexpected server home $SERVER_HOME"
  mkdir -p "$SERVER_HOME"
  find "$SERVER_HOME" -mindepth 1 -delete
  local u=$SERVER_HOME
  mkdir -p "$u/.ssh" "$u/Code/web/node_modules/left-pad" "$u/Code/api" "$u/Code/my.app" \
    "$u/.local/share/pelk" "$u/.config/pelk"
  printf '<h1>web</h1>\n' >"$u/Code/web/index.html"
  printf 'debug output\n' >"$u/Code/web/debug.log"
  printf 'module.exports = 1;\n' >"$u/Code/web/node_modules/left-pad/index.js"
  printf 'package main\n\nfunc main() {}\n' >"$u/Code/api/main.go"
  printf '# my.app\n' >"$u/Code/my.app/README.md"
  cp "$W/keys/ca.cert.pem" "$u/.local/share/pelk/ca.cert.pem"
  write_server_rules '["node_modules", "*.log"]' '[]'
  cp "$W/keys/id_ed25519.pub" "$u/.ssh/authorized_keys"
  chmod 0700 "$u/.ssh"
  chmod 0600 "$u/.ssh/authorized_keys"
  chown -R "$SERVER_USER:$SERVER_USER" "$u"
  chmod 0755 "$u"
}

write_server_rules() { # ignores-json server-only-json [enabled]
  cat >"$SERVER_HOME/.config/pelk/sync.json" <<EOF
{
  "version": 3,
  "enabled": ${3:-true},
  "ignores": $1,
  "server_only": $2,
  "projects": ["api", "my.app", "web"]
}
EOF
  chown "$SERVER_USER:$SERVER_USER" "$SERVER_HOME/.config/pelk/sync.json"
}

# A laptop as its user has it before pelk: an SSH key, an SSH config with a
# global setting and a host of their own, the usual XDG folders and a
# browser certificate store.
reset_laptop() {
  rm -rf "$W/home" "$W/laptop-tmp"
  mkdir -p "$LAPTOP_HOME/.ssh" "$LAPTOP_HOME/.config" "$LAPTOP_HOME/.local/share" "$LAPTOP_HOME/Documents" \
    "$W/laptop-tmp"
  cp "$W/keys/id_ed25519" "$W/keys/id_ed25519.pub" "$LAPTOP_HOME/.ssh/"
  cat >"$LAPTOP_HOME/.ssh/config" <<'EOF'
ServerAliveCountMax 7

Host example-work
    HostName 192.0.2.10
    User someone
EOF
  chmod 0700 "$LAPTOP_HOME/.ssh"
  chmod 0600 "$LAPTOP_HOME/.ssh/config" "$LAPTOP_HOME/.ssh/id_ed25519"
  chown -R "$LAPTOP_USER:$LAPTOP_USER" "$W/home" "$W/laptop-tmp"
  chmod 0755 "$W/home"
  chmod 1777 "$W/laptop-tmp"
  as_laptop mkdir -p "$LAPTOP_HOME/.pki/nssdb"
  as_laptop certutil -N -d "sql:$LAPTOP_HOME/.pki/nssdb" --empty-password || die "cannot make the NSS database"
}

reset_state() {
  rm -rf "$W/state" "$W/system" "$W/runs" "$W/server-tmp" "$W/hosts"
  mkdir -p "$W/state/mutagen" "$W/state/clipboard" "$W/state/elevated" "$W/runs" "$W/server-tmp"
  chmod 1777 "$W/server-tmp"
  local part
  for part in etc usr-local; do mkdir -p "$W/system/$part/upper" "$W/system/$part/work"; done
  : >"$W/state/calls.log"
  echo running >"$W/state/tailscale"
  chown -R "$LAPTOP_USER:$LAPTOP_USER" "$W/state"
  # The pelk command as the installer leaves it, for uninstall to remove.
  mkdir -p "$W/system/usr-local/upper/bin"
  printf '#!/bin/sh\nexec %s "$@"\n' "$PELK_BINARY" >"$W/system/usr-local/upper/bin/pelk"
  chmod 0755 "$W/system/usr-local/upper/bin/pelk"
}

start_sshd() {
  if ss -Hltn 'sport = :22' | grep -q .; then
    die "port 22 is taken on this machine: $(ss -Hltnp 'sport = :22' | tr -s ' ')"
  fi
  : >"$W/sshd/run/sshd.log"
  W=$W SERVER_HOME=$SERVER_HOME unshare --mount -- bash "$E2E_DIR/server_namespace.sh" &
  SSHD_PID=$!
  track "$SSHD_PID"
  local i
  for i in $(seq 100); do
    if ss -Hltn 'sport = :22' | grep -q '127.0.0.1:22'; then
      ss -Hltn 'sport = :22' | grep -qv '127.0.0.1:22' && die "sshd listens beyond 127.0.0.1"
      remember "$SSHD_PID"
      return 0
    fi
    kill -0 "$SSHD_PID" 2>/dev/null || die "sshd did not start: $(cat "$W/sshd/run/sshd.log")"
    sleep 0.05
  done
  die "sshd did not listen on 127.0.0.1:22 within 5 seconds"
}

stop_sshd() {
  stop_pid "$SSHD_PID"
  wait "$SSHD_PID" 2>/dev/null
}

# Everything but the server's sshd, for scenarios that place the server
# elsewhere.
e2e_prepare() {
  skip_unless_root
  [ -x "${PELK_BINARY:-}" ] || die "PELK_BINARY does not name the pelk program (got '${PELK_BINARY:-}')"
  mkdir -p "$W"
  chmod 0755 "$W"
  # One scenario at a time on this machine, whichever build folder runs it.
  exec 9>"$W/lock"
  flock -w 300 9 || die "another end-to-end run holds $W/lock"
  trap e2e_cleanup EXIT
  trap 'exit 1' TERM INT HUP
  stop_leftovers
  install_packages
  ensure_account "$SERVER_USER" "$SERVER_HOME"
  ensure_account "$LAPTOP_USER" "$LAPTOP_HOME"
  ensure_keys
  write_sshd_config
  install_sudo_standin
  stage_laptop_programs
  stop_account_processes
  reset_state
  reset_server
  reset_laptop
}

e2e_begin() {
  e2e_prepare
  start_sshd
  HOME_BEFORE=$(manifest "$LAPTOP_HOME")
}

e2e_end() {
  if [ "$E2E_FAILURES" -gt 0 ]; then
    say "$E2E_FAILURES check(s) failed"
    exit 1
  fi
  say "passed"
  exit 0
}

# ---------------------------------------------------------------- running

LAPTOP_PATH="$W/bin:$E2E_DIR/standins/laptop:/usr/local/bin:/usr/bin:/bin"

# A command as the laptop account inside the laptop's namespace; sets
# RUN_STATUS, RUN_OUT and RUN_ERR (files) and prints the transcript.
laptop() {
  RUN_COUNT=$((RUN_COUNT + 1))
  RUN_OUT=$W/runs/$RUN_COUNT.out
  RUN_ERR=$W/runs/$RUN_COUNT.err
  W=$W LAPTOP_USER=$LAPTOP_USER LAPTOP_HOME=$LAPTOP_HOME LAPTOP_PATH=$LAPTOP_PATH LAPTOP_TERM=${LAPTOP_TERM:-dumb} \
    unshare --mount -- bash "$E2E_DIR/laptop_namespace.sh" "$@" <"${RUN_IN:-/dev/null}" >"$RUN_OUT" 2>"$RUN_ERR"
  RUN_STATUS=$?
  local shown="$*"
  say "\$ ${shown//"$PELK_BINARY"/pelk} (exit $RUN_STATUS)"
  [ -n "${RUN_QUIET:-}" ] || sed 's/^/  | /' "$RUN_OUT"
  [ -s "$RUN_ERR" ] && sed 's/^/  ! /' "$RUN_ERR"
  return 0
}

pelk() { laptop "$PELK_BINARY" "$@"; }

# A command as the laptop account outside the namespace (for what needs no
# system view, such as certutil on the laptop's own store).
as_laptop() {
  (cd "$LAPTOP_HOME" && setpriv --reuid="$LAPTOP_USER" --regid="$LAPTOP_USER" --init-groups -- \
    env -i HOME="$LAPTOP_HOME" USER="$LAPTOP_USER" PATH="$LAPTOP_PATH" LANG=C.UTF-8 PELK_E2E_WORK="$W" "$@")
}

# A command as the server account, as on the server.
as_dev() {
  (cd "$SERVER_HOME" && setpriv --reuid="$SERVER_USER" --regid="$SERVER_USER" --init-groups -- \
    env -i HOME="$SERVER_HOME" USER="$SERVER_USER" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@")
}

# A successful connect, for scenarios that start from a connected laptop.
connect_laptop() {
  pelk laptop connect
  require_status 0 "pelk laptop connect"
}

# Files written in the laptop's system folders through the overlays.
# A system file removed in the laptop's view: gone from the overlay, or hidden
# there by a whiteout when the machine itself has a file of that name (an
# installed pelk in /usr/local/bin, say).
check_system_file_removed() { # path as on the machine
  local upper
  upper=$(system_file "$1")
  if [ -c "$upper" ] && [ "$(stat -c '%t:%T' "$upper")" = "0:0" ]; then return 0; fi
  check_absent "$upper"
}

system_file() { # path as on the machine, e.g. /etc/hosts
  case $1 in
    /etc/*) printf '%s/system/etc/upper/%s' "$W" "${1#/etc/}" ;;
    /usr/local/*) printf '%s/system/usr-local/upper/%s' "$W" "${1#/usr/local/}" ;;
    *) die "no throwaway view of $1" ;;
  esac
}
