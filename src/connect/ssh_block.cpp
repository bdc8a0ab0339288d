#include "connect/ssh_block.h"

#include <system_error>
#include <vector>

#include "state/file_io.h"
#include "state/text.h"
#include "state/server_alias.h"

namespace fs = std::filesystem;

namespace {

fs::path ssh_folder(const fs::path& home) { return home / ".ssh"; }
fs::path ssh_config(const fs::path& home) { return ssh_folder(home) / "config"; }

bool is_marker(std::string_view line, std::string_view marker) { return trim(line) == marker; }

// Every carriage return at a line's end counts as part of its ending, also
// on a last line without a line feed and before "\r\r\n": kept, it would
// come out as "\r\n", and the next strip would change the file again.
std::string_view without_carriage_returns(std::string_view line) {
  while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// A new ~/.ssh is private to the user, as ssh itself wants it.
[[nodiscard]] Result<void> create_ssh_folder(const fs::path& home) {
  PELK_TRY(create_folders(home));
  std::error_code ec;
  bool created = fs::create_directory(ssh_folder(home), ec);
  if (ec) return fail_io(ec);
  if (created) {
    fs::permissions(ssh_folder(home), fs::perms::owner_all, fs::perm_options::replace, ec);
    if (ec) return fail_io(ec);
  }
  return {};
}

}  // namespace

std::string strip_marked_block(std::string_view text) {
  std::vector<std::string_view> lines = split_lines(text);
  std::string kept;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (is_marker(lines[i], kSshBlockBegin)) {
      std::size_t end = i + 1;
      while (end < lines.size() && !is_marker(lines[end], kSshBlockEnd)) ++end;
      // Without an end marker only the begin line goes: dropping the rest of
      // the file would take the user's own entries with it.
      if (end < lines.size()) i = end;
      continue;
    }
    if (is_marker(lines[i], kSshBlockEnd)) continue;
    kept.append(without_carriage_returns(lines[i]));
    kept.push_back('\n');
  }
  kept.erase(0, kept.find_first_not_of('\n'));
  return kept;
}

std::string ssh_block_text(std::string_view address) {
  // The closing "Host *" ends the alias's section, so the user's top-level
  // lines that follow (Include, IdentityFile, ...) still apply to every host
  // rather than falling under `Host pelk`.
  return std::string(kSshBlockBegin) + "\nHost " + std::string(kServerAlias) + "\n    HostName " + std::string(address) +
         "\n    User dev\n    ServerAliveInterval 30\nHost *\n" + std::string(kSshBlockEnd) + "\n";
}

Result<void> write_ssh_block(const fs::path& home, std::string_view address) {
  PELK_TRY(create_ssh_folder(home));
  std::string current;
  if (auto read = read_file(ssh_config(home)); read) {
    current = std::move(*read);
  } else if (!is_not_found(read.error())) {
    return fail(read.error());
  }
  std::string rest = strip_marked_block(current);
  std::string content = ssh_block_text(address);
  if (!trim(rest).empty()) content += "\n" + rest;
  return write_file_atomically(ssh_config(home), content, fs::perms::owner_read | fs::perms::owner_write);
}

Result<void> remove_ssh_block(const fs::path& home) {
  auto read = read_file(ssh_config(home));
  if (!read) return {};
  return write_file_atomically(ssh_config(home), strip_marked_block(*read));
}
