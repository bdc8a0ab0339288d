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

// Mutagen and the share paths carry folders as Unicode text: a folder whose
// path is not would reach them under another name, one that does not exist.
// So it is refused before a command changes anything.
[[nodiscard]] Result<void> check_unicode_home(const fs::path& home) {
  if (unicode_path_text(home)) return {};
  return fail_message("the home folder " + display_path(home) +
                      " is not a valid Unicode path, so pelk cannot sync or share from it");
}

[[nodiscard]] Result<void> check_code_folder_path(const fs::path& code_folder) {
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

[[nodiscard]] Result<fs::path> absolute_code_folder(const fs::path& given, const fs::path& working_folder) {
  if (given.is_absolute()) return given;
  fs::path joined = without_trailing_separator((working_folder / given).lexically_normal());
  if (working_folder.empty() || !joined.is_absolute()) {
    return fail_message("cannot tell where the code folder " + display_path(given) +
                        " is; give --code-dir as an absolute path");
  }
  return joined;
}

[[nodiscard]] Result<void> print_copied(std::ostream& out, const Result<std::string>& sent) {
  PELK_TRY(sent);
  PELK_TRY(print(out, *sent));
  return print(out, "\n(copied)\n");
}

[[nodiscard]] Result<void> run_share(const ShareCommand& command, const LaptopEntries& entries, const LaptopContext& c) {
  PELK_TRY(check_unicode_home(c.home));
  return std::visit(
      Overloaded{
          [&](const cli::ShareOn&) { return entries.set_sharing(c, true); },
          [&](const cli::ShareOff&) { return entries.set_sharing(c, false); },
          [&](const cli::Send& send) {
            // An empty list, and only that, means the clipboard.
            if (send.files.empty()) return print_copied(c.out, entries.send_clipboard(c));
            return print_copied(c.out, entries.send_files(c, send.files));
          },
          [&](const cli::Keep& keep) { return entries.set_keep_days(c, keep.days); },
          [&](const cli::Macos&) -> Result<void> {
            PELK_TRY(entries.set_screenshot_folder(c));
            return print(c.out, kScreenshotFolderSetLine);
          },
      },
      command);
}

[[nodiscard]] Result<void> run_laptop(const LaptopCommand& command, const LaptopEntries& entries, const DispatchContext& c) {
  return std::visit(
      Overloaded{
          [&](const cli::Connect& connect) -> Result<void> {
            PELK_TRY(check_unicode_home(c.home));
            PELK_TRY_ASSIGN(ConnectRequest request, connect_request(connect, c));
            PELK_TRY(check_code_folder_path(request.code_dir));
            return entries.connect_laptop(c, request);
          },
          [&](const cli::Sync&) -> Result<void> {
            PELK_TRY(check_unicode_home(c.home));
            PELK_TRY_ASSIGN(LaptopConfig config, entries.load_config(c.home));
            PELK_TRY(check_code_folder_path(config.code_dir));
            PELK_TRY(entries.sync_code(c, config.code_dir));
            return entries.setup_share(c);
          },
          [&](const cli::Status&) -> Result<void> {
            PELK_TRY_ASSIGN(std::string report, entries.laptop_status(c));
            return print(c.out, report);
          },
          [&](const cli::Disconnect&) { return entries.disconnect_laptop(c); },
          [&](const cli::Uninstall&) { return entries.uninstall_laptop(c); },
          [&](const cli::Share& share) { return run_share(share.command, entries, c); },
      },
      command);
}

}  // namespace

Result<ConnectRequest> connect_request(const cli::Connect& command, const DispatchContext& context) {
  ConnectRequest request;
  request.server = command.server;
  PELK_TRY_ASSIGN(request.code_dir,
                  absolute_code_folder(command.code_dir ? *command.code_dir : context.home / "Code",
                                       context.working_folder));
  request.force = command.force;
  return request;
}

int dispatch_laptop(const LaptopCommand& command, const LaptopEntries& entries, const DispatchContext& context) {
  auto result = check_home_owner(context.ownership, context.home);
  if (result) result = run_laptop(command, entries, context);
  if (result) return 0;
  context.err << "pelk: " << result.error().display() << "\n" << std::flush;
  return 1;
}
