#include "share/screenshots.h"

#include <gtest/gtest.h>

#include "state/text.h"
#include "support/fake_runner.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

TEST(Screenshots, PointsMacOsAtTheShareFolder) {
  TempFolder home;
  FakeRunner runner;
  std::string folder = display_path(home / "pelk-share");
  runner.on("defaults", {"write", "com.apple.screencapture", "location", folder}, ok_output());
  runner.on("killall", {"SystemUIServer"}, failed_output("No matching processes"));
  ASSERT_TRUE(set_screenshot_folder(runner, home.path()));
  EXPECT_TRUE(fs::is_directory(home / "pelk-share"));
  EXPECT_EQ(runner.call_lines(), (std::vector<std::string>{"defaults write com.apple.screencapture location " + folder,
                                                           "killall SystemUIServer"}));
  EXPECT_EQ(kScreenshotFolderSetLine, "macOS now saves screenshots into ~/pelk-share.\n");
}

TEST(Screenshots, FailuresOfDefaults) {
  TempFolder home;
  FakeRunner missing;  // Linux and Windows: no defaults program
  auto result = set_screenshot_folder(missing, home.path());
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().display(), "cannot change the screenshot folder: defaults: not found");
  EXPECT_EQ(missing.call_lines().size(), 1u);

  FakeRunner refusing;
  refusing.on_any("defaults", [](const FakeCall&) -> Result<ToolOutput> { return failed_output("\n  denied \n"); });
  EXPECT_EQ(set_screenshot_folder(refusing, home.path()).error().display(), "cannot change the screenshot folder: denied");

  FakeRunner unstartable;
  unstartable.fail_start("defaults", EACCES);
  EXPECT_TRUE(set_screenshot_folder(unstartable, home.path()).error().is_io());

  TempFolder blocked;
  write_text(blocked / "pelk-share", "a file in the way");
  FakeRunner any;
  auto not_created = set_screenshot_folder(any, blocked.path());
  ASSERT_FALSE(not_created);
  EXPECT_TRUE(not_created.error().is_io());
  EXPECT_TRUE(any.calls().empty());
}
