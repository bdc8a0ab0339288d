#include "share/share_flags.h"

#include <gtest/gtest.h>

#include "state/paths.h"
#include "support/temp_folder.h"

TEST(ShareFlags, KeepDaysText) {
  struct Case {
    std::string text;
    std::uint32_t days;
  };
  const Case cases[] = {
      {"7", 7}, {"0", 0}, {" \t3\n", 3}, {"+5", 5}, {"++5", 7}, {"-1", 7}, {"009", 9},
      {"", 7},           {"  ", 7},  {"4294967295", 4294967295u},     {"4294967296", 7}, {"99999999999999999999", 7},
      {"1 2", 7},        {"0x10", 7}, {"12days", 7}, {"+", 7},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_keep_days(c.text), c.days) << "'" << c.text << "'";
}

TEST(ShareFlags, FilesOnDisk) {
  TempFolder home;
  EXPECT_TRUE(sharing_enabled(home.path()));
  EXPECT_EQ(read_keep_days(home.path()), 7u);
  write_text(state_dir(home.path()) / "shots-off", "");
  write_text(state_dir(home.path()) / "share-keep-days", "30\n");
  EXPECT_FALSE(sharing_enabled(home.path()));
  EXPECT_EQ(read_keep_days(home.path()), 30u);
}
