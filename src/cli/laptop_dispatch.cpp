#include "cli/laptop_dispatch.h"

#include <variant>

#include "share/screenshots.h"
#include "state/paths.h"
#include "tools/console.h"

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

Result<void> print_copied(std::ostream& out, const Result<std::string>& sent) {
  PELK_TRY(sent);
  PELK_TRY(print(out, *sent));
  return print(out, "\n(copied)\n");
}

Result<void> run_share(const ShareCommand& command, const LaptopEntries& entries, const LaptopContext& c) {
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
            return (*entry)(connect_request(connect, c), c.runner, c.out);
          },
          [&](const cli::Sync&) -> Result<void> {
            PELK_TRY_ASSIGN(auto load, built(entries.load_config));
            PELK_TRY_ASSIGN(auto sync, built(entries.sync_code));
            PELK_TRY_ASSIGN(auto share, built(entries.setup_share));
            PELK_TRY_ASSIGN(LaptopConfig config, (*load)(c.home));
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

ConnectRequest connect_request(const cli::Connect& command, const LaptopContext& context) {
  ConnectRequest request;
  request.server = command.server;
  request.code_dir = command.code_dir ? *command.code_dir : context.home / "Code";
  request.home = context.home;
  request.force = command.force;
  request.os = context.os;
  request.elevation = context.elevation;
  return request;
}

int dispatch_laptop(const LaptopCommand& command, const LaptopEntries& entries, const LaptopContext& context) {
  auto result = run_laptop(command, entries, context);
  if (result) return 0;
  context.err << "pelk: " << result.error().display() << "\n" << std::flush;
  return 1;
}
