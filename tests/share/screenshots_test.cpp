#include "share/screenshots.h"

#include <gtest/gtest.h>

#include "state/text.h"
#include "support/fake_laptop.h"

namespace fs = std::filesystem;

TEST(Screenshots, PointsMacOsAtTheShareFolder) {
  FakeLaptop laptop;
  FakeRunner& runner = laptop.runner;
  std::string folder = display_path(laptop.home() / "pelk-share");
  runner.on("defaults", {"write", "com.apple.screencapture", "location", folder}, ok_output());
  runner.on("killall", {"SystemUIServer"}, failed_output("No matching processes"));
  ASSERT_TRUE(set_screenshot_folder(laptop.context(OsKind::MacOs)));
  EXPECT_TRUE(fs::is_directory(laptop.home() / "pelk-share"));
  EXPECT_EQ(runner.call_lines(), (std::vector<std::string>{"defaults write com.apple.screencapture location " + folder,
                                                           "killall SystemUIServer"}));
  EXPECT_EQ(kScreenshotFolderSetLine, "macOS now saves screenshots into ~/pelk-share.\n");
}

TEST(Screenshots, FailuresOfDefaults) {
  FakeLaptop missing;  // Linux and Windows: no defaults program
  auto result = set_screenshot_folder(missing.context());
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().display(), "cannot change the screenshot folder: defaults: not found");
  EXPECT_EQ(missing.runner.call_lines().size(), 1u);

  FakeLaptop refusing;
  refusing.runner.on_any("defaults", [](const FakeCall&) -> Result<ToolOutput> { return failed_output("\n  denied \n"); });
  EXPECT_EQ(set_screenshot_folder(refusing.context()).error().display(), "cannot change the screenshot folder: denied");

  FakeLaptop unstartable;
  unstartable.runner.fail_start("defaults", EACCES);
  EXPECT_TRUE(set_screenshot_folder(unstartable.context()).error().is_io());

  FakeLaptop blocked;
  write_text(blocked.home() / "pelk-share", "a file in the way");
  auto not_created = set_screenshot_folder(blocked.context());
  ASSERT_FALSE(not_created);
  EXPECT_TRUE(not_created.error().is_io());
  EXPECT_TRUE(blocked.runner.calls().empty());
}
