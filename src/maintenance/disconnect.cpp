#include "maintenance/disconnect.h"

#include "connect/dns_route.h"
#include "connect/ssh_block.h"
#include "filesync/mutagen_sessions.h"
#include "state/paths.h"
#include "tools/console.h"
#include "tools/elevation.h"

Result<void> disconnect_laptop(const LaptopContext& context) {
  terminate_own_sessions(context.runner);
  // A refused prompt or a failing removal leaves the route in place, but the
  // rest of the connection is still taken down.
  PELK_TRY(run_elevated(context.elevation, context.runner, dns_removal_command(context.os)));
  PELK_TRY(remove_ssh_block(context.home));
  std::error_code ignored;
  std::filesystem::remove(state_dir(context.home) / "laptop.json", ignored);
  return print(context.out, "Disconnected. Your files stay on both sides; the certificate stays trusted.\n");
}
