# Run by the sudo stand-in as root, in the caller's mount namespace (where /etc
# and /usr/local are throwaway overlays and the rest of / is read-only): logs
# the call, keeps the script for the scenario to read, and runs it with sudo's
# secure path behind the root stand-ins.
ROOT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$ROOT_DIR/common.sh"
standin_log sudo "$@"
if [ -e "$STATE/sudo-refuse" ]; then
  echo "sudo: 3 incorrect password attempts" >&2
  exit 1
fi
if [ "${1:-}" = sh ] && [ "${2:-}" = -c ]; then
  mkdir -p "$STATE/elevated"
  count=$(find "$STATE/elevated" -name '*.sh' | wc -l)
  printf '%s' "${3:-}" >"$STATE/elevated/$((count + 1)).sh"
fi
export PATH="$ROOT_DIR/root:/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"
cd / || exit 1
exec "$@"
