# Sourced by the stand-in programs: where the harness keeps its state, and the
# call log that a failing scenario prints.
W=${PELK_E2E_WORK:-/var/tmp/pelk-e2e}
STATE=$W/state

standin_log() {
  local line
  printf -v line '%q ' "$@"
  printf '%s\n' "${line% }" >>"$STATE/calls.log"
}
