// Generated SSH configs: writing the block and removing it again gives back
// the user's lines, in order and byte for byte, whatever else the file held.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "connect/ssh_block.h"
#include "state/text.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// A config and the lines of it that are the user's: every line but the real
// markers and what lies inside the stale blocks.
struct GeneratedConfig {
  std::string text;
  std::vector<std::string> user_lines;
};

class ConfigGenerator {
 public:
  explicit ConfigGenerator(std::uint32_t seed) : random_(seed) {}

  GeneratedConfig next() {
    lines_.clear();
    for (int pieces = pick(0, 12); pieces > 0; --pieces) add_piece();
    // A begin marker that no end marker follows drops only itself.
    if (pick(0, 4) == 0) {
      std::size_t after_last_end = 0;
      for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].ends_block) after_last_end = i + 1;
      }
      auto at = after_last_end + static_cast<std::size_t>(pick(0, static_cast<int>(lines_.size() - after_last_end)));
      lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{blanks() + std::string(kSshBlockBegin), false, false});
    }

    GeneratedConfig config;
    for (const auto& line : lines_) {
      config.text += line.text + (pick(0, 2) == 0 ? "\r\n" : "\n");
      if (line.users) config.user_lines.push_back(line.text);
    }
    // The last line may end without a line feed (an empty one would be no line then).
    if (!lines_.empty() && !lines_.back().text.empty() && pick(0, 3) == 0) {
      config.text.resize(config.text.size() - (config.text.ends_with("\r\n") ? 2 : 1));
    }
    return config;
  }

 private:
  struct Line {
    std::string text;
    bool users;
    bool ends_block;
  };

  int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  std::string one_of(std::initializer_list<std::string> items) {
    return *(items.begin() + pick(0, static_cast<int>(items.size()) - 1));
  }
  std::string blanks() { return one_of({"", " ", "\t", "  \t", "\v"}); }

  // Text that is not UTF-8, or not only ASCII.
  std::string odd_bytes() {
    std::string bytes = one_of({"caf\xc3\xa9", "\xe2\x80\x99", ""});
    for (int count = pick(1, 4); count > 0; --count) bytes.push_back(static_cast<char>(pick(0x80, 0xff)));
    return bytes;
  }

  void user(std::string text) { lines_.push_back({std::move(text), true, false}); }
  void dropped(std::string text, bool ends_block = false) { lines_.push_back({std::move(text), false, ends_block}); }

  void add_piece() {
    switch (pick(0, 7)) {
      case 0:  // a Host section of the user's
        user("Host " + one_of({"work", "*.example", "db db2", "h" + odd_bytes()}));
        for (int n = pick(0, 3); n > 0; --n) {
          user("    " + one_of({"User ann", "Port 2222", "IdentityFile ~/.ssh/id_" + odd_bytes(), "ProxyJump a\rb"}));
        }
        break;
      case 1:  // top-level settings that must stay global
        user(one_of({"Include ~/.ssh/config.d/*", "AddKeysToAgent yes", "IdentityFile ~/.ssh/id_ed25519",
                     "# a comment of mine"}));
        break;
      case 2:  // blank lines
        user(blanks());
        break;
      case 3:  // bytes that are not UTF-8
        user("# " + odd_bytes() + " " + odd_bytes());
        break;
      case 4:  // lines that look like markers but are not
        user(one_of({"# >>> PELK >>>", "# <<< Pelk <<<", "#>>> pelk >>>", "# >>> pelk>>>", "# >>>  pelk >>>",
                     "## <<< pelk <<<", "x # >>> pelk >>>", "# >>> pelk >>> x"}));
        break;
      case 5:  // a stale block, its markers padded with blanks
        dropped(blanks() + std::string(kSshBlockBegin) + blanks());
        for (int n = pick(0, 4); n > 0; --n) {
          dropped(one_of({"Host pelk", "    HostName 100.64.0.1", "    User dev", "Host *", "", "# " + odd_bytes(),
                          std::string(kSshBlockBegin)}));
        }
        dropped(blanks() + std::string(kSshBlockEnd) + blanks(), true);
        break;
      case 6:  // an end marker with no block open
        dropped(std::string(kSshBlockEnd), true);
        break;
      default:  // a setting with blanks around it
        user(blanks() + "ServerAliveCountMax 3" + blanks());
        break;
    }
  }

  std::mt19937 random_;
  std::vector<Line> lines_;
};

// A home on a memory file system when there is one: every write is flushed
// to disk, and twenty thousand flushes would be most of the suite's time.
class MemoryHome {
 public:
  MemoryHome() {
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::mt19937_64 random(std::random_device{}());
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      fs::path candidate = base / ("pelk-property-" + std::to_string(random() % 1000000000000u));
      std::error_code ec;
      if (fs::create_directory(candidate, ec)) path_ = candidate;
    }
  }
  ~MemoryHome() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }
  fs::path operator/(std::string_view relative) const { return path_ / relative; }

 private:
  fs::path path_;
};

std::size_t count_marker_lines(std::string_view text, std::string_view marker) {
  std::size_t count = 0;
  for (std::string_view line : split_lines(text)) count += trim(line) == marker ? 1 : 0;
  return count;
}

// The user's lines as the removal gives them back: line feeds only, no empty
// lines at the top, nothing at all when they are only white space.
std::string expected_after_removal(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) {
    if (text.empty() && line.empty()) continue;
    text += line + "\n";
  }
  return trim(text).empty() ? std::string() : text;
}

}  // namespace

TEST(SshBlockProperty, WriteThenRemoveGivesBackTheUsersLines) {
  ConfigGenerator generator(20240611);
  MemoryHome home;
  ASSERT_FALSE(home.path().empty());
  const std::string block = ssh_block_text("100.64.0.7");
  for (int round = 0; round < 10000; ++round) {
    GeneratedConfig config = generator.next();
    write_text(home / ".ssh/config", config.text);

    ASSERT_TRUE(write_ssh_block(home.path(), "100.64.0.7")) << round;
    const std::string written = read_text(home / ".ssh/config");
    ASSERT_TRUE(written.starts_with(block)) << round;
    ASSERT_EQ(count_marker_lines(written, kSshBlockBegin), 1u) << round << "\n" << written;
    ASSERT_EQ(count_marker_lines(written, kSshBlockEnd), 1u) << round << "\n" << written;

    ASSERT_TRUE(remove_ssh_block(home.path())) << round;
    ASSERT_EQ(read_text(home / ".ssh/config"), expected_after_removal(config.user_lines))
        << "round " << round << ", config:\n" << config.text;
  }
}
