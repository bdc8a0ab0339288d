#include "maintenance/disconnect.h"

#include "connect/dns_route.h"
#include "connect/ssh_block.h"
#include "filesync/mutagen_sessions.h"
#include "state/paths.h"
#include "tools/console.h"
#include "tools/elevated.h"

Result<void> disconnect_laptop(ToolRunner& runner, const std::filesystem::path& home, OsKind os,
                               ElevationMethod elevation, std::ostream& out) {
  terminate_own_sessions(runner);
  // A refused prompt or a failing removal leaves the route in place, but the
  // rest of the connection is still taken down.
  PELK_TRY(run_elevated(elevation, runner, dns_removal_command(os)));
  PELK_TRY(remove_ssh_block(home));
  std::error_code ignored;
  std::filesystem::remove(state_dir(home) / "laptop.json", ignored);
  return print(out, "Disconnected. Your files stay on both sides; the certificate stays trusted.\n");
}
