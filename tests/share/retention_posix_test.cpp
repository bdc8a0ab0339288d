#include "share/retention.h"

#include <gtest/gtest.h>

#include "share/share_folder.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

// Links in the share folder are the user's; neither retention nor the size
// warning follows them.
TEST(Retention, LinksAreNeverPrunedNorWarnedAbout) {
  TempFolder home;
  fs::path share = home / "pelk-share";
  write_text(home / "elsewhere" / "big.iso", "");
  fs::resize_file(home / "elsewhere" / "big.iso", 524288001);
  fs::create_directories(share);
  fs::create_symlink(home / "elsewhere" / "big.iso", share / "link.iso");
  auto now = std::chrono::system_clock::now() + std::chrono::hours(24 * 30);
  prune_share_folder(share, now, 60);
  EXPECT_TRUE(fs::exists(share / "link.iso"));
  EXPECT_TRUE(fs::exists(home / "elsewhere" / "big.iso"));
  EXPECT_TRUE(oversized_share_files(share).empty());
}
