#include "share/send.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <system_error>

#include "filesync/mutagen_sessions.h"
#include "share/clipboard_paths.h"
#include "share/clipboard_programs.h"
#include "share/laptop_name.h"
#include "share/share_flags.h"
#include "share/share_folder.h"
#include "share/stored_name.h"
#include "state/clock.h"
#include "state/file_io.h"
#include "state/text.h"

namespace fs = std::filesystem;

namespace {

[[nodiscard]] Result<void> check_sharing_on(const fs::path& home) {
  if (!sharing_enabled(home)) return fail_message("file sharing is off; turn it on with pelk laptop share on");
  return {};
}

// Every path is looked at before anything is copied, so a bad third path
// leaves the share folder untouched.
[[nodiscard]] Result<void> check_sendable(const fs::path& path) {
  std::error_code ec;
  fs::file_status status = fs::status(path, ec);
  if (ec) return fail_message("cannot read " + display_path(path) + ": " + CommandError::io(ec).display());
  if (!fs::is_regular_file(status)) return fail_message(display_path(path) + " is a folder; send its files, or a zip of it");
  std::uintmax_t size = fs::file_size(path, ec);
  if (ec) return fail_message("cannot read " + display_path(path) + ": " + CommandError::io(ec).display());
  if (size > kShareSizeLimit) return fail_message(over_share_size_limit(path));
  return {};
}

// Names tried for one file before giving up (a share folder that cannot be
// looked into would otherwise seem full forever).
constexpr unsigned kNameAttempts = 1000;

bool something_at(const fs::path& path) {
  std::error_code ec;
  return fs::symlink_status(path, ec).type() != fs::file_type::not_found;
}

// A hidden file beside the stored ones, short whatever the sent name is, and
// of this copy's own.
[[nodiscard]] Result<fs::path> copy_to_partial(const fs::path& source, const fs::path& folder) {
  std::random_device random;
  for (int attempt = 0;; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, ".pelk-send-%08x%08x", random(), random());
    fs::path partial = folder / name;
    std::error_code ec;
    if (fs::copy_file(source, partial, fs::copy_options::none, ec)) return partial;
    if (ec == std::errc::file_exists && attempt < 8) continue;  // another send's, left or running
    std::error_code ignored;
    fs::remove(partial, ignored);
    return fail_io(ec);
  }
}

// Gives the copied file the first of its names that nothing in the share
// folder holds yet. A hard link claims the name only when it is free, so
// nothing already there is ever replaced; a file system without links gets a
// look before the rename instead.
[[nodiscard]] Result<std::string> place_partial(const fs::path& partial, const fs::path& folder, const fs::path& source,
                                  const std::vector<std::string>& taken) {
  std::string plain = plain_stored_name(source);
  for (unsigned attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name = attempt == 0 ? plain : stamped_stored_name(plain, unix_millis_now(), attempt);
    if (std::find(taken.begin(), taken.end(), name) != taken.end()) continue;
    fs::path target = folder / path_from_utf8(name);
    if (something_at(target)) continue;
    std::error_code ec;
    fs::create_hard_link(partial, target, ec);
    if (ec) {
      if (something_at(target)) continue;
      ec.clear();
      fs::rename(partial, target, ec);
      if (ec) return fail_io(ec);
    } else {
      fs::remove(partial, ec);  // the name is stored either way
    }
    return name;
  }
  return fail_io(std::make_error_code(std::errc::file_exists));
}

// Copied beside the stored files under a hidden name first, so the share
// session never sees a half-written file. `taken` holds the names stored
// earlier in the same send.
[[nodiscard]] Result<std::string> store_file(const fs::path& source, const fs::path& folder, const std::vector<std::string>& taken) {
  PELK_TRY_ASSIGN(fs::path partial, copy_to_partial(source, folder));
  auto stored = place_partial(partial, folder, source, taken);
  if (!stored) {
    std::error_code ignored;
    fs::remove(partial, ignored);
  }
  return stored;
}

bool is_file_or_folder(const fs::path& path) {
  std::error_code ec;
  auto status = fs::status(path, ec);
  return !ec && (fs::is_regular_file(status) || fs::is_directory(status));
}

[[nodiscard]] Result<std::string> send_clipboard_image(ToolRunner& runner, const fs::path& home, OsKind os) {
  fs::path folder = share_folder(home);
  PELK_TRY(create_folders(folder));
  std::uint64_t millis = unix_millis_now();
  std::string name = shot_stored_name(millis, 1);
  for (unsigned attempt = 2; something_at(folder / name); ++attempt) {
    if (attempt > kNameAttempts) return fail_io(std::make_error_code(std::errc::file_exists));
    name = shot_stored_name(millis, attempt);
  }
  fs::path target = folder / name;
  ProgramCall saver = clipboard_image_saver(os, display_path(target));
  PELK_TRY_ASSIGN(ToolOutput saved, run_capture(runner, saver.program, saver.args));
  std::error_code ec;
  if (saved.success && fs::is_regular_file(target, ec) && fs::file_size(target, ec) > 0 && !ec) {
    return deliver_to_server(runner, home, os, {name});
  }
  std::error_code ignored;
  fs::remove(target, ignored);
  return fail_message("the clipboard holds no image");
}

}  // namespace

Result<std::string> send_files(const LaptopContext& context, const std::vector<fs::path>& files) {
  const fs::path& home = context.home;
  PELK_TRY(check_sharing_on(home));
  for (const fs::path& file : files) PELK_TRY(check_sendable(file));
  fs::path folder = share_folder(home);
  PELK_TRY(create_folders(folder));
  std::vector<std::string> stored;
  for (const fs::path& file : files) {
    PELK_TRY_ASSIGN(std::string name, store_file(file, folder, stored));
    stored.push_back(std::move(name));
  }
  return deliver_to_server(context.runner, home, context.os, stored);
}

Result<std::string> send_clipboard(const LaptopContext& context) {
  ToolRunner& runner = context.runner;
  const fs::path& home = context.home;
  OsKind os = context.os;
  PELK_TRY(check_sharing_on(home));
  ProgramCall lister = clipboard_file_lister(os);
  std::vector<fs::path> listed;
  if (auto run = run_capture(runner, lister.program, lister.args); run && run->success) {
    listed = clipboard_paths(run->std_out);
  }
  std::vector<fs::path> present;
  for (fs::path& path : listed) {
    if (is_file_or_folder(path)) present.push_back(std::move(path));
  }
  if (!present.empty()) return send_files(context, present);
  return send_clipboard_image(runner, home, os);
}

Result<std::string> deliver_to_server(ToolRunner& runner, const fs::path& home, OsKind os,
                                      const std::vector<std::string>& stored_names) {
  PELK_TRY_ASSIGN(auto failure, flush_session(runner, kShareSession));
  if (failure) {
    return fail_message("saved in " + display_path(share_folder(home)) + ", but it did not reach the server: " +
                        failure->error);
  }
  PELK_TRY_ASSIGN(std::string name, laptop_folder_name(runner, home));
  std::vector<std::string> paths;
  for (const std::string& stored : stored_names) paths.push_back(server_file_path(name, stored));
  std::string result = join(paths, "\n");
  // The paths are printed as well, so a clipboard that cannot be written
  // costs the user nothing but a paste. The writer's outputs are not read: a
  // writer that leaves a child serving the selection (xclip) holds them open.
  ProgramCall writer = clipboard_writer(os);
  (void)runner.run_discarding_output(writer.program, writer.args, result);
  return result;
}
