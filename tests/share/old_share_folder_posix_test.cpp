// The share folder of older versions, ~/pelk-shots, is taken over only when
// it is a real folder. (POSIX: the Windows check build cannot make links.)
#include <gtest/gtest.h>

#include <chrono>

#include "share/share_setup.h"
#include "support/fake_laptop.h"

namespace fs = std::filesystem;

TEST(OldShareFolder, OnlyARealFolderIsTakenOver) {
  struct Case {
    std::string what;
    bool link;
  };
  const Case cases[] = {{"a real folder", false}, {"a link to the user's screenshots", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeLaptop laptop;
    laptop.server.host_name = "my-laptop";
    laptop.server.install(laptop.runner);
    fs::path home = laptop.home();
    fs::path screenshots = home / "Pictures/Screenshots";
    fs::path old_folder = home / "pelk-shots";
    fs::path shot = (c.link ? screenshots : old_folder) / "old.png";
    write_text(shot, "png");
    // Older than the default seven days of retention.
    fs::last_write_time(shot, fs::file_time_type::clock::now() - std::chrono::hours(24 * 30));
    if (c.link) fs::create_directory_symlink(screenshots, old_folder);

    ASSERT_TRUE(setup_share(laptop.context()));
    if (c.link) {
      // The link and the user's folder stay as they were: nothing pruned, and
      // the share session replicates only the new, empty share folder.
      EXPECT_TRUE(fs::is_symlink(old_folder));
      EXPECT_EQ(read_text(screenshots / "old.png"), "png");
      EXPECT_FALSE(fs::is_symlink(home / "pelk-share"));
      EXPECT_FALSE(fs::exists(home / "pelk-share" / "old.png"));
    } else {
      // Taken over as the share folder, where retention applies.
      EXPECT_FALSE(fs::exists(old_folder));
      EXPECT_TRUE(fs::is_directory(home / "pelk-share" / "from-server"));
      EXPECT_FALSE(fs::exists(home / "pelk-share" / "old.png"));
    }
  }
}
