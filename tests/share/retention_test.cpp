#include "share/retention.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(Retention, PrunesOnlyExpiredFilesDirectlyInTheFolder) {
  TempFolder share;
  // A fixed "now" in whole seconds, so ages are exact.
  auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
  auto file_time = [&](std::chrono::system_clock::duration age) { return fs::file_time_type::clock::from_sys(now - age); };
  struct Case {
    std::string path;
    std::chrono::system_clock::duration age;
    bool stays;
  };
  const Case cases[] = {
      {"old.png", 86401s, false},
      {"a-fraction-over.png", 86400s + 500ms, false},
      {"exactly-the-limit.png", 86400s, true},
      {"young.png", 3600s, true},
      {"future.png", -3600s, true},
      {"keep/old.png", 86401s * 10, true},
      {"from-server/old.png", 86401s * 10, true},
      {"mine/old.png", 86401s * 10, true},
  };
  for (const auto& c : cases) {
    write_text(share / c.path, "x");
    fs::last_write_time(share / c.path, file_time(c.age));
  }
  fs::create_directories(share / "old-folder");
  fs::last_write_time(share / "old-folder", file_time(86401s * 10));

  prune_share_folder(share.path(), now, 86400);
  for (const auto& c : cases) EXPECT_EQ(fs::exists(share / c.path), c.stays) << c.path;
  EXPECT_TRUE(fs::is_directory(share / "old-folder"));

  // Years of keep days do not wrap around into "everything is old".
  write_text(share / "ancient.png", "x");
  fs::last_write_time(share / "ancient.png", file_time(std::chrono::hours(24 * 365 * 40)));
  prune_share_folder(share.path(), now, std::uint64_t{4294967295u} * 86400);
  EXPECT_TRUE(fs::exists(share / "ancient.png"));

  prune_share_folder(share / "missing", now, 0);  // an unlistable folder is no failure
}
