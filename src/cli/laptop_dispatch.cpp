#include "cli/laptop_dispatch.h"

#include <variant>

#include "share/screenshots.h"
#include "state/paths.h"
#include "state/text.h"
#include "tools/console.h"

namespace fs = std::filesystem;

namespace {

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
// Spelled out: Apple clang does not deduce an aggregate's template arguments.
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

template <class F>
Result<const F*> built(const F& entry) {
  if (!entry) return fail_message("this command is not built yet");
  return &entry;
}

// Mutagen and the share paths carry folders as Unicode text: a folder whose
// path is not would reach them under another name, one that does not exist.
// So it is refused before a command changes anything.
Result<void> check_unicode_home(const fs::path& home) {
  if (unicode_path_text(home)) return {};
  return fail_message("the home folder " + display_path(home) +
                      " is not a valid Unicode path, so pelk cannot sync or share from it");
}

Result<void> check_code_folder_path(const fs::path& code_folder) {
  if (!unicode_path_text(code_folder)) {
    return fail_message("the code folder " + display_path(code_folder) +
                        " is not a valid Unicode path, so pelk cannot sync it; rename it, or connect again with "
                        "--code-dir <folder>");
  }
  if (!code_folder.is_absolute()) {
    return fail_message("the code folder " + display_path(code_folder) +
                        " is not an absolute path; connect again with --code-dir <folder>");
  }
  return {};
}

// A trailing separator or "." names the same folder; Mutagen and the summary
// show it without.
fs::path without_trailing_separator(fs::path folder) {
  if (!folder.has_filename() && folder.has_relative_path()) folder = folder.parent_path();
  return folder;
}

Result<fs::path> absolute_code_folder(const fs::path& given, const fs::path& working_folder) {
  if (given.is_absolute()) return given;
  fs::path joined = without_trailing_separator((working_folder / given).lexically_normal());
  if (working_folder.empty() || !joined.is_absolute()) {
    return fail_message("cannot tell where the code folder " + display_path(given) +
                        " is; give --code-dir as an absolute path");
  }
  return joined;
}

Result<void> print_copied(std::ostream& out, const Result<std::string>& sent) {
  PELK_TRY(sent);
  PELK_TRY(print(out, *sent));
  return print(out, "\n(copied)\n");
}

Result<void> run_share(const ShareCommand& command, const LaptopEntries& entries, const LaptopContext& c) {
  PELK_TRY(check_unicode_home(c.home));
  return std::visit(
      Overloaded{
          [&](const cli::ShareOn&) -> Result<void> {
            PELK_TRY_ASSIGN(auto entry, built(entries.set_sharing));
            return (*entry)(c.runner, c.home, true, c.out);
          },
          [&](const cli::ShareOff&) -> Result<void> {
            PELK_TRY_ASSIGN(auto entry, built(entries.set_sharing));
            return (*entry)(c.runner, c.home, false, c.out);
          },
          [&](const cli::Send& send) -> Result<void> {
            // An empty list, and only that, means the clipboard.
            if (send.files.empty()) {
              PELK_TRY_ASSIGN(auto entry, built(entries.send_clipboard));
              return print_copied(c.out, (*entry)(c.runner, c.home, c.os));
            }
            PELK_TRY_ASSIGN(auto entry, built(entries.send_files));
            return print_copied(c.out, (*entry)(c.runner, c.home, c.os, send.files));
          },
          [&](const cli::Keep& keep) -> Result<void> {
            PELK_TRY_ASSIGN(auto entry, built(entries.set_keep_days));
            return (*entry)(c.runner, c.home, keep.days, c.out);
          },
          [&](const cli::Macos&) -> Result<void> {
            PELK_TRY_ASSIGN(auto entry, built(entries.set_screenshot_folder));
            PELK_TRY((*entry)(c.runner, c.home));
            return print(c.out, kScreenshotFolderSetLine);
          },
      },
      command);
}

Result<void> run_laptop(const LaptopCommand& command, const LaptopEntries& entries, const LaptopContext& c) {
  return std::visit(
      Overloaded{
          [&](const cli::Connect& connect) -> Result<void> {
            PELK_TRY_ASSIGN(auto entry, built(entries.connect_laptop));
            PELK_TRY(check_unicode_home(c.home));
            PELK_TRY_ASSIGN(ConnectRequest request, connect_request(connect, c));
            PELK_TRY(check_code_folder_path(request.code_dir));
            return (*entry)(request, c.runner, c.out);
          },
          [&](const cli::Sync&) -> Result<void> {
            PELK_TRY_ASSIGN(auto load, built(entries.load_config));
            PELK_TRY_ASSIGN(auto sync, built(entries.sync_code));
            PELK_TRY_ASSIGN(auto share, built(entries.setup_share));
            PELK_TRY(check_unicode_home(c.home));
            PELK_TRY_ASSIGN(LaptopConfig config, (*load)(c.home));
            PELK_TRY(check_code_folder_path(config.code_dir));
            PELK_TRY((*sync)(c.runner, state_dir(c.home), config.code_dir, c.out));
            return (*share)(c.runner, c.home, c.out);
          },
          [&](const cli::Status&) -> Result<void> {
            PELK_TRY_ASSIGN(auto entry, built(entries.laptop_status));
            PELK_TRY_ASSIGN(std::string report, (*entry)(c.runner, c.home, c.os));
            return print(c.out, report);
          },
          [&](const cli::Disconnect&) -> Result<void> {
            PELK_TRY_ASSIGN(auto entry, built(entries.disconnect_laptop));
            return (*entry)(c.runner, c.home, c.os, c.elevation, c.out);
          },
          [&](const cli::Uninstall&) -> Result<void> {
            PELK_TRY_ASSIGN(auto entry, built(entries.uninstall_laptop));
            return (*entry)(c.runner, c.home, c.os, c.elevation, c.out);
          },
          [&](const cli::Share& share) -> Result<void> { return run_share(share.command, entries, c); },
      },
      command);
}

}  // namespace

Result<ConnectRequest> connect_request(const cli::Connect& command, const LaptopContext& context) {
  ConnectRequest request;
  request.server = command.server;
  PELK_TRY_ASSIGN(request.code_dir,
                  absolute_code_folder(command.code_dir ? *command.code_dir : context.home / "Code",
                                       context.working_folder));
  request.home = context.home;
  request.force = command.force;
  request.os = context.os;
  request.elevation = context.elevation;
  return request;
}

int dispatch_laptop(const LaptopCommand& command, const LaptopEntries& entries, const LaptopContext& context) {
  auto result = check_home_owner(context.ownership, context.home);
  if (result) result = run_laptop(command, entries, context);
  if (result) return 0;
  context.err << "pelk: " << result.error().display() << "\n" << std::flush;
  return 1;
}
