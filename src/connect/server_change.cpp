#include "connect/server_change.h"

#include <optional>
#include <system_error>

#include "filesync/mutagen_sessions.h"
#include "state/laptop_config.h"
#include "state/paths.h"
#include "tools/console.h"

namespace fs = std::filesystem;

namespace {

// The server the laptop was connected to, as laptop.json tells it; none when
// the file says nothing usable, and no value at all when there is no file.
std::optional<std::optional<LaptopConfig>> previous_connection(const fs::path& home) {
  std::error_code ec;
  if (fs::symlink_status(state_dir(home) / "laptop.json", ec).type() == fs::file_type::not_found) return std::nullopt;
  auto config = load_config(home);
  if (!config) return std::optional<LaptopConfig>();
  return std::optional<LaptopConfig>(*config);
}

}  // namespace

Result<void> forget_code_sync_of_other_server(ToolRunner& runner, const fs::path& home, const std::string& server,
                                              const std::string& address, std::ostream& out) {
  auto previous = previous_connection(home);
  if (!previous) return {};
  const auto& config = *previous;
  if (config && config->server == server && config->address == address) return {};
  PELK_TRY_ASSIGN(bool exists, session_exists(runner, kCodeSession));
  if (!exists) return {};
  // Mutagen would compare the new machine with the old machine's last synced
  // state: files the new one lacks would look deleted and be deleted on the
  // laptop too. A fresh session has no such state. No flush first: the alias
  // already points at the new machine.
  PELK_TRY(terminate_session(runner, kCodeSession));
  std::string why = config ? "it synced with " + config->server + " (" + config->address + ") until now"
                           : "~/.config/pelk/laptop.json does not say which server it synced with";
  return print(out, "  The code sync starts afresh with " + server + " (" + address + "): " + why + ".\n");
}
