#include "share/send.h"

#include <system_error>

#include "filesync/mutagen_sessions.h"
#include "share/clipboard_paths.h"
#include "share/clipboard_programs.h"
#include "share/laptop_name.h"
#include "share/share_flags.h"
#include "share/share_folder.h"
#include "state/clock.h"
#include "state/file_io.h"
#include "state/text.h"

namespace fs = std::filesystem;

namespace {

Result<void> check_sharing_on(const fs::path& home) {
  if (!sharing_enabled(home)) return fail_message("file sharing is off; turn it on with pelk laptop share on");
  return {};
}

std::string over_limit_message(const fs::path& path) {
  return display_path(path) + " is over 500 MB; move it another way (scp, rsync)";
}

// Every path is looked at before anything is copied, so a bad third path
// leaves the share folder untouched.
Result<void> check_sendable(const fs::path& path) {
  std::error_code ec;
  fs::file_status status = fs::status(path, ec);
  if (ec) return fail_message("cannot read " + display_path(path) + ": " + CommandError::io(ec).display());
  if (!fs::is_regular_file(status)) return fail_message(display_path(path) + " is a folder; send its files, or a zip of it");
  std::uintmax_t size = fs::file_size(path, ec);
  if (ec) return fail_message("cannot read " + display_path(path) + ": " + CommandError::io(ec).display());
  if (size > kShareSizeLimit) return fail_message(over_limit_message(path));
  return {};
}

std::string file_name_of(const fs::path& path) {
  fs::path name = path.filename();
  if (name.empty() || name == "." || name == "..") return "file";
  return display_path(name);
}

// The name a file is stored under: its own, or with the time stamp in front
// when the share folder already holds something of that name.
std::string stored_name_for(const fs::path& folder, const fs::path& source) {
  std::string name = file_name_of(source);
  std::error_code ec;
  auto existing = fs::symlink_status(folder / path_from_utf8(name), ec);
  if (existing.type() == fs::file_type::not_found) return name;
  return std::to_string(unix_millis_now()) + "-" + name;
}

// Copied beside the target under a hidden name and renamed over it, so the
// share session never sees a half-written file.
Result<void> copy_into(const fs::path& source, const fs::path& target) {
  fs::path partial = target.parent_path() / path_from_utf8("." + display_path(target.filename()) + ".pelk-partial");
  std::error_code ec;
  fs::copy_file(source, partial, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(partial, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(partial, ignored);
    return fail_io(ec);
  }
  return {};
}

bool is_file_or_folder(const fs::path& path) {
  std::error_code ec;
  auto status = fs::status(path, ec);
  return !ec && (fs::is_regular_file(status) || fs::is_directory(status));
}

Result<std::string> send_clipboard_image(ToolRunner& runner, const fs::path& home, OsKind os) {
  fs::path folder = share_folder(home);
  PELK_TRY(create_folders(folder));
  std::string name = "shot-" + std::to_string(unix_millis_now()) + ".png";
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

Result<std::string> send_files(ToolRunner& runner, const fs::path& home, OsKind os, const std::vector<fs::path>& files) {
  PELK_TRY(check_sharing_on(home));
  for (const fs::path& file : files) PELK_TRY(check_sendable(file));
  fs::path folder = share_folder(home);
  PELK_TRY(create_folders(folder));
  std::vector<std::string> stored;
  for (const fs::path& file : files) {
    std::string name = stored_name_for(folder, file);
    PELK_TRY(copy_into(file, folder / path_from_utf8(name)));
    stored.push_back(std::move(name));
  }
  return deliver_to_server(runner, home, os, stored);
}

Result<std::string> send_clipboard(ToolRunner& runner, const fs::path& home, OsKind os) {
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
  if (!present.empty()) return send_files(runner, home, os, present);
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
