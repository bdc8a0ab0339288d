#include "tools/search_path.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "state/paths.h"

TEST(SearchPath, ToolsFolderGoesFirstUnlessAlreadyThere) {
  const std::string tools = "/home/ann/.local/share/pelk/bin";
  struct Row {
    std::string path;
    std::optional<std::string> expected;
  };
  const std::vector<Row> rows = {
      {"/usr/bin:/bin", tools + ":/usr/bin:/bin"},
      {"", tools + ":"},
      {"/usr/bin:", tools + ":/usr/bin:"},
      {"/usr/bin:" + tools, std::nullopt},
      {tools + "/", std::nullopt},
      {"/bin:/home/ann/.local//share/pelk/bin/", std::nullopt},
      // Letter case counts, and so does every component.
      {"/home/ann/.local/share/pelk/BIN", tools + ":/home/ann/.local/share/pelk/BIN"},
      {"/home/ann/.local/share/pelk", tools + ":/home/ann/.local/share/pelk"},
  };
  for (const auto& row : rows) EXPECT_EQ(search_path_with_first(row.path, tools), row.expected) << row.path;
  // A folder that PATH cannot hold leaves it unchanged.
  EXPECT_EQ(search_path_with_first("/bin", "/odd:folder"), std::nullopt);
}

TEST(SearchPath, SplitAndJoinFollowTheColonRules) {
  EXPECT_EQ(split_search_path(""), std::vector<std::string>{""});
  EXPECT_EQ(split_search_path("a::b:"), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(join_search_path({"a", "", "b"}), "a::b");
  EXPECT_EQ(join_search_path({"a:b"}), std::nullopt);
}

TEST(SearchPath, EnsureChangesTheProcessPathOnce) {
  const char* saved = std::getenv("PATH");
  std::optional<std::string> original = saved ? std::optional<std::string>(saved) : std::nullopt;
  const std::string tools = tools_dir("/home/ann").string();

  ::setenv("PATH", "/usr/bin:/bin", 1);
  ensure_tools_on_path("/home/ann");
  EXPECT_EQ(std::string(std::getenv("PATH")), tools + ":/usr/bin:/bin");
  ensure_tools_on_path("/home/ann");
  EXPECT_EQ(std::string(std::getenv("PATH")), tools + ":/usr/bin:/bin");

  ::unsetenv("PATH");
  ensure_tools_on_path("/home/ann");
  EXPECT_EQ(std::string(std::getenv("PATH")), tools + ":");

  if (original) {
    ::setenv("PATH", original->c_str(), 1);
  } else {
    ::unsetenv("PATH");
  }
}
