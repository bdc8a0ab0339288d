#include "filesync/other_sync_session.h"

#include "filesync/mutagen_sessions.h"
#include "state/paths.h"
#include "state/text.h"

namespace fs = std::filesystem;

std::optional<std::string> other_sync_session_message(ToolRunner& runner, const fs::path& code_folder) {
  auto ours = session_exists(runner, kCodeSession);
  if (ours && *ours) return std::nullopt;
  auto listing = list_sessions(runner);
  if (!listing) return std::nullopt;
  // Mutagen lists endpoints in their display form, so the code folder is
  // compared in that form too.
  std::string shown = display_path(code_folder);
  fs::path code = path_from_utf8(shown);
  for (const auto& pair : session_endpoints(*listing)) {
    if (pair.session && is_own_session(*pair.session)) continue;
    fs::path endpoint = path_from_utf8(pair.endpoint);
    if (!endpoint.is_absolute()) continue;
    if (!paths_overlap(endpoint, code)) continue;
    if (!pair.session) return std::nullopt;
    return shown + " is already synced by another file sync session ('" + *pair.session +
           "'). Syncing it with your pelk server too would copy everything between both machines.";
  }
  return std::nullopt;
}
