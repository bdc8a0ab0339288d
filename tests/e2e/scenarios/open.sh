#!/usr/bin/env bash
# pelk open from a terminal on the laptop (a tmux pane there): the real ssh
# lands in the project's folder on the server inside a tmux session named
# after it, a second open attaches to that session, and names are checked.
. "$(dirname "$0")/../harness.sh"
e2e_begin
connect_laptop

LAPTOP_TMUX=(as_laptop tmux -S "$W/state/laptop-tmux.sock" -f /dev/null)
server_tmux() { as_dev tmux -S "$W/server-tmp/tmux-$(id -u "$SERVER_USER")/default" "$@"; }

# Waits until a shell test holds, for up to 10 seconds.
wait_for() { # description command...
  local what=$1 i
  shift
  for i in $(seq 100); do
    "$@" && return 0
    sleep 0.1
  done
  check_fail "timed out waiting until $what"
  return 1
}

session_info() { server_tmux display -p -t "$1" '#{session_name} #{pane_current_path} #{session_attached}' 2>/dev/null; }
attached() { [ "$(server_tmux display -p -t "$1" '#{session_attached}' 2>/dev/null)" = "$2" ]; }

# Each laptop window runs one pelk open and keeps its exit status.
"${LAPTOP_TMUX[@]}" new-session -d -s laptop -x 160 -y 40 \
  "$PELK_BINARY open web; echo \$? >$W/state/open-web-1; sleep 600"
LAPTOP_TMUX_PID=$("${LAPTOP_TMUX[@]}" display -p '#{pid}')
track "$LAPTOP_TMUX_PID"
remember "$LAPTOP_TMUX_PID"

wait_for "the server has a tmux session web" attached web 1 || exit 1
check_eq "the first open" "$(session_info web)" "web /home/dev/Code/web 1"
SERVER_TMUX_PID=$(server_tmux display -p '#{pid}')
track "$SERVER_TMUX_PID"
remember "$SERVER_TMUX_PID"

"${LAPTOP_TMUX[@]}" new-window -t laptop "$PELK_BINARY open web; echo \$? >$W/state/open-web-2; sleep 600"
wait_for "a second client attaches to web" attached web 2
check_eq "server sessions after the second open" "$(server_tmux list-sessions -F '#{session_name}')" "web"

# A dotted name: the session name has an underscore; when that session ends,
# pelk open ends with status 0.
"${LAPTOP_TMUX[@]}" new-window -t laptop "$PELK_BINARY open my.app; echo \$? >$W/state/open-my-app; sleep 600"
wait_for "the server has a tmux session my_app" attached my_app 1
check_eq "open my.app" "$(session_info my_app)" "my_app /home/dev/Code/my.app 1"
server_tmux kill-session -t my_app
wait_for "pelk open my.app ends" test -s "$W/state/open-my-app"
check_eq "exit status of pelk open after the session ended" "$(cat "$W/state/open-my-app")" 0

# With the server's no-tmux marker, open gives a login shell in the folder.
as_dev touch .config/pelk/no-tmux
"${LAPTOP_TMUX[@]}" new-window -t laptop "$PELK_BINARY open api; echo \$? >$W/state/open-api; sleep 600"
shell_in_api() {
  local pid
  for pid in $(ps -o pid= -u "$SERVER_USER"); do
    [ "$(readlink "/proc/$pid/cwd" 2>/dev/null)" = "$SERVER_HOME/Code/api" ] &&
      [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = bash ] && return 0
  done
  return 1
}
wait_for "a login shell runs in ~/Code/api" shell_in_api
server_tmux has-session -t api 2>/dev/null && check_fail "open made a tmux session despite the no-tmux marker"
rm -f "$SERVER_HOME/.config/pelk/no-tmux"

# Without a name, the projects; unknown and invalid names.
pelk open
check_status 0 "open without a name"
check_out "open without a name" "api
my.app
web"
pelk open nope
check_status 1 "open of a project the server does not have"
grep -q 'nope: No such file or directory' "$RUN_ERR" || check_fail "the server's cd message did not reach the user"
for name in ../x "a b" .hidden café ""; do
  pelk open "$name"
  check_status 2 "open '$name'"
  check_err "open '$name'" "pelk: $name is not a project name"
done

e2e_end
