#include "share/share_setup.h"

#include <chrono>
#include <string>
#include <system_error>
#include <vector>

#include "filesync/mutagen_sessions.h"
#include "share/laptop_name.h"
#include "share/retention.h"
#include "share/screenshots.h"
#include "share/server_prepare.h"
#include "share/share_flags.h"
#include "share/share_folder.h"
#include "state/file_io.h"
#include "state/paths.h"
#include "state/text.h"
#include "tools/console.h"

namespace fs = std::filesystem;

namespace {

[[nodiscard]] Result<void> terminate_if_present(ToolRunner& runner, std::string_view session) {
  PELK_TRY_ASSIGN(bool exists, session_exists(runner, session));
  if (exists) PELK_TRY(terminate_session(runner, session));
  return {};
}

// Older versions shared through ~/pelk-shots. It is moved once, and the macOS
// screenshot folder follows it when it pointed there. Any failure here only
// means the old folder stays where it is. Only a real folder is moved: a link
// there points at a folder of the user's own (say their screenshots), which
// must never become the share folder, pruned and sent to the server.
void move_old_share_folder(const LaptopContext& context) {
  ToolRunner& runner = context.runner;
  const fs::path& home = context.home;
  fs::path old_folder = home / kOldShareFolderName;
  fs::path folder = share_folder(home);
  std::error_code ec;
  if (fs::symlink_status(old_folder, ec).type() != fs::file_type::directory || ec) return;
  if (fs::symlink_status(folder, ec).type() != fs::file_type::not_found) return;
  fs::rename(old_folder, folder, ec);
  if (ec) return;
  auto location = run_capture(runner, "defaults", {"read", "com.apple.screencapture", "location"});
  if (!location || !location->success) return;
  if (same_path(path_from_utf8(trim(location->std_out)), old_folder)) (void)set_screenshot_folder(context);
}

struct ShareSession {
  std::string_view name;
  std::vector<std::string> options;
  std::string alpha;
  std::string beta;
};

std::vector<ShareSession> share_sessions(const fs::path& home, const std::string& laptop_name) {
  std::string server_folder = std::string(kServerAlias) + ":" + server_share_folder(laptop_name);
  return {
      {kShareSession, {"--ignore", "/from-server", "--ignore", "/out"}, display_path(share_folder(home)), server_folder},
      {kShareOutSession, {}, server_folder + "/out", display_path(from_server_folder(home))},
  };
}

[[nodiscard]] Result<void> sharing_off(ToolRunner& runner, std::ostream& out) {
  PELK_TRY(terminate_if_present(runner, kShareSession));
  PELK_TRY(terminate_if_present(runner, kShareOutSession));
  return print(out, "  File sharing is off.\n");
}

}  // namespace

Result<void> setup_share(const LaptopContext& context) {
  ToolRunner& runner = context.runner;
  const fs::path& home = context.home;
  std::ostream& out = context.out;
  if (!mutagen_installed(runner)) return {};
  PELK_TRY(terminate_if_present(runner, kOldShotsSession));
  if (!sharing_enabled(home)) return sharing_off(runner, out);

  fs::path folder = share_folder(home);
  move_old_share_folder(context);
  PELK_TRY(create_folders(from_server_folder(home)));
  PELK_TRY(create_folders(keep_folder(home)));

  std::uint32_t keep_days = read_keep_days(home);
  if (keep_days != 0) {
    prune_share_folder(folder, std::chrono::system_clock::now(), std::uint64_t{keep_days} * 86400);
  }

  PELK_TRY_ASSIGN(std::string name, laptop_folder_name(runner, home));

  auto prepared = run_capture(runner, "ssh", {std::string(kServerAlias), server_prepare_command(name, keep_days)});
  if (!prepared || !prepared->success) {
    std::string reason = prepared ? std::string(trim(prepared->std_err)) : prepared.error().display();
    PELK_TRY(print(out, "  warning: cannot prepare ~/Share/" + name + " on the server: " + reason + "\n"));
  }

  for (const ShareSession& session : share_sessions(home, name)) {
    PELK_TRY_ASSIGN(bool exists, session_exists(runner, session.name));
    if (exists) continue;
    PELK_TRY_ASSIGN(auto failure,
                    create_session(runner, session.name, kOneWayReplica, session.options, session.alpha, session.beta));
    if (failure) return fail_message("starting the file sharing sync failed: " + failure->error);
  }

  std::string root(kServerShareRoot);
  PELK_TRY(print(out, "  File sharing: " + display_path(folder) + " -> " + root + "/" + name + " on the server\n"));
  PELK_TRY(print(out, "  From the server: " + root + "/" + name + "/out -> " + display_path(from_server_folder(home)) +
                          "\n"));
  for (const fs::path& large : oversized_share_files(folder)) {
    PELK_TRY(print(out, "  warning: " + over_share_size_limit(large) + "\n"));
  }
  return {};
}

Result<void> set_sharing(const LaptopContext& context, bool on) {
  const fs::path& home = context.home;
  fs::path flag = state_dir(home) / kShotsOffFile;
  if (on) {
    std::error_code ignored;
    fs::remove(flag, ignored);
  } else {
    PELK_TRY(create_folders(state_dir(home)));
    PELK_TRY(write_file_atomically(flag, ""));
  }
  return setup_share(context);
}

Result<void> set_keep_days(const LaptopContext& context, std::uint32_t days) {
  PELK_TRY(create_folders(state_dir(context.home)));
  PELK_TRY(write_file_atomically(state_dir(context.home) / kKeepDaysFile, std::to_string(days)));
  return setup_share(context);
}
