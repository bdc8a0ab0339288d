#include "filesync/code_sync.h"

#include <string>
#include <vector>

#include "filesync/mutagen_release.h"
#include "filesync/mutagen_sessions.h"
#include "filesync/old_copies.h"
#include "filesync/sync_rules.h"
#include "state/file_io.h"
#include "state/paths.h"
#include "state/text.h"
#include "tools/console.h"
#include "state/server_alias.h"

namespace fs = std::filesystem;

namespace {

std::string not_installed_notice() {
  return "  Mutagen is not installed, so nothing syncs yet. Install it (macOS: brew install "
         "mutagen-io/mutagen/mutagen; Linux: " +
         std::string(kMutagenInstallDocs) + ") and rerun pelk laptop connect.\n";
}

bool same_rules(const SyncSpec& server, const SyncSpec& laptop) {
  return server.enabled == laptop.enabled && ignore_patterns(server) == ignore_patterns(laptop);
}

[[nodiscard]] Result<void> create_code_session(ToolRunner& runner, const SyncSpec& server, const fs::path& code_folder) {
  PELK_TRY(create_folders(code_folder));
  std::vector<std::string> options;
  for (const auto& pattern : ignore_patterns(server)) options.push_back("--ignore=" + pattern);
  std::string beta = std::string(kServerAlias) + ":" + std::string(kServerCodeFolder);
  PELK_TRY_ASSIGN(auto failure,
                  create_session(runner, kCodeSession, kTwoWayResolved, options, display_path(code_folder), beta));
  if (failure) return fail_message("starting the file sync failed: " + failure->error);
  return {};
}

[[nodiscard]] Result<void> print_off_notice(std::ostream& out, const fs::path& code_folder) {
  return print(out, "  File sync is off for this server: open projects over SSH (ssh " +
                        std::string(kServerAlias) + "). Your copy in " + display_path(code_folder) +
                        " stays as it is.\n");
}

}  // namespace

Result<void> sync_code(const LaptopContext& context, const fs::path& code_folder) {
  ToolRunner& runner = context.runner;
  std::ostream& out = context.out;
  fs::path state_folder = state_dir(context.home);
  if (!mutagen_installed(runner)) return print(out, not_installed_notice());

  SyncSpec server = fetch_server_rules(runner);
  auto stored = load_laptop_rules(state_folder);
  SyncSpec laptop = stored ? *stored : default_sync_spec();

  PELK_TRY_ASSIGN(auto listing, session_listing(runner, kCodeSession));
  bool exists = listing.has_value();
  // A session that syncs another laptop folder (connect ran with another
  // --code-dir) is replaced like one under old rules.
  std::optional<std::string> other_folder = exists ? alpha_endpoint(*listing, kCodeSession) : std::nullopt;
  if (other_folder && same_path(path_from_utf8(*other_folder), code_folder)) other_folder.reset();
  bool rules_changed = !same_rules(server, laptop);

  bool replaced = false;
  bool move_aside = false;
  if (exists && !rules_changed && !other_folder) {
    PELK_TRY(print(out, "  The sync session is up to date.\n"));
  } else {
    if (exists) {
      // Every change made so far reaches the other side under the old rules
      // (and from the old folder) before the session goes.
      PELK_TRY_ASSIGN(auto failure, flush_session(runner, kCodeSession));
      if (failure && other_folder) {
        return fail_message("cannot finish syncing " + *other_folder + " before switching to " +
                            display_path(code_folder) + ": " + failure->error);
      }
      if (failure) return fail_message("cannot finish syncing before applying the new rules: " + failure->error);
      PELK_TRY(terminate_session(runner, kCodeSession));
      replaced = true;
    }
    // On the very first sync of a laptop nothing is older than the server's copy.
    move_aside = replaced || stored.has_value();
    if (!server.enabled) {
      PELK_TRY(print_off_notice(out, code_folder));
    } else {
      if (move_aside) PELK_TRY(move_aside_old_copies(code_folder, resynced_projects(server, laptop, code_folder), out));
      PELK_TRY(create_code_session(runner, server, code_folder));
      if (other_folder) {
        PELK_TRY(print(out, "  The sync session now syncs " + display_path(code_folder) + " instead of " +
                                *other_folder + ".\n"));
      }
      if (replaced && rules_changed) PELK_TRY(print(out, "  Applied the new sync rules.\n"));
    }
  }

  if (server.enabled) {
    auto copies = server_only_copies(server, code_folder);
    if (!copies.empty()) {
      PELK_TRY(print(out, "  Server only, no longer synced: " + join(copies, ", ") + ". The copies in " +
                              display_path(code_folder) + " can be deleted.\n"));
    }
  }
  return save_laptop_rules(state_folder, server);
}
