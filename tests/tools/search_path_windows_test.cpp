#include "tools/search_path.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "state/environment_windows.h"
#include "support/saved_variable_windows.h"
#include "tools/search_path_windows.h"

namespace fs = std::filesystem;

TEST(WindowsSearchPath, SplitsAtSemicolonsOutsideQuotes) {
  struct Case {
    std::string value;
    std::vector<std::string> entries;
  };
  const Case cases[] = {
      {"", {""}},
      {"C:\\a;C:\\b", {"C:\\a", "C:\\b"}},
      {"C:\\a;;C:\\b;", {"C:\\a", "", "C:\\b", ""}},
      {"\"C:\\x;y\";C:\\b", {"C:\\x;y", "C:\\b"}},
      {"C:\\\"q\"uoted;b", {"C:\\quoted", "b"}},
      {"\"unclosed;still one", {"unclosed;still one"}},
      {"C:\\caf\xc3\xa9;D:\\", {"C:\\caf\xc3\xa9", "D:\\"}},
  };
  for (const auto& c : cases) EXPECT_EQ(split_search_path(c.value), c.entries) << c.value;
}

TEST(WindowsSearchPath, JoinQuotesSemicolonsAndRefusesQuotes) {
  EXPECT_EQ(join_search_path({"C:\\a", "C:\\x;y", ""}), "C:\\a;\"C:\\x;y\";");
  EXPECT_EQ(join_search_path({"C:\\a\"b"}), std::nullopt);
  for (std::string value : {"C:\\a;\"C:\\x;y\";D:\\", "a;;b", ""}) {
    EXPECT_EQ(join_search_path(split_search_path(value)), value);
  }
}

TEST(WindowsSearchPath, ToolsFolderGoesFirstOnceComparedAsPaths) {
  fs::path tools = L"C:\\Users\\ann\\.local\\share\\pelk\\bin";
  struct Case {
    std::string value;
    std::optional<std::string> updated;
  };
  const Case cases[] = {
      {"", "C:\\Users\\ann\\.local\\share\\pelk\\bin;"},
      {"C:\\Windows", "C:\\Users\\ann\\.local\\share\\pelk\\bin;C:\\Windows"},
      {"\"C:\\x;y\";C:\\b", "C:\\Users\\ann\\.local\\share\\pelk\\bin;\"C:\\x;y\";C:\\b"},
      {"C:\\Windows;C:\\Users\\ann\\.local\\share\\pelk\\bin", std::nullopt},
      {"C:\\Users\\ann\\.local\\share\\pelk\\bin\\", std::nullopt},
      {"C:/Users/ann//.local/share/pelk/bin/", std::nullopt},
      {"\"C:\\Users\\ann\\.local\\share\\pelk\\bin\"", std::nullopt},
      // Letter case counts, and a drive-relative path is another folder.
      {"c:\\users\\ann\\.local\\share\\pelk\\bin", "C:\\Users\\ann\\.local\\share\\pelk\\bin;c:\\users\\ann\\.local\\share\\pelk\\bin"},
      {"C:Users\\ann\\.local\\share\\pelk\\bin", "C:\\Users\\ann\\.local\\share\\pelk\\bin;C:Users\\ann\\.local\\share\\pelk\\bin"},
      // Quotes only group: they are not part of the entry and do not come back.
      {"C:\\odd\"entry", "C:\\Users\\ann\\.local\\share\\pelk\\bin;C:\\oddentry"},
  };
  for (const auto& c : cases) EXPECT_EQ(search_path_with_first(c.value, tools), c.updated) << c.value;
}

TEST(WindowsSearchPath, EnsureToolsOnPathRewritesTheProcessPath) {
  SavedVariable saved(L"PATH");
  fs::path home = L"C:\\Users\\Zo\u00eb";
  const std::wstring tools = L"C:\\Users\\Zo\u00eb\\.local\\share\\pelk\\bin";

  SetEnvironmentVariableW(L"PATH", nullptr);
  ensure_tools_on_path(home);
  EXPECT_EQ(environment_variable(L"PATH"), tools + L";");
  ensure_tools_on_path(home);
  EXPECT_EQ(environment_variable(L"PATH"), tools + L";");

  // Entries that are not valid Unicode survive untouched.
  std::wstring odd = L"C:\\odd\xD800name;\"C:\\semi;colon\"";
  SetEnvironmentVariableW(L"PATH", odd.c_str());
  ensure_tools_on_path(home);
  EXPECT_EQ(environment_variable(L"PATH"), tools + L";" + odd);

  SetEnvironmentVariableW(L"PATH", L"C:\\Windows");
  ensure_tools_on_path(L"C:\\Users\\a;b");
  EXPECT_EQ(environment_variable(L"PATH"), L"\"C:\\Users\\a;b\\.local\\share\\pelk\\bin\";C:\\Windows");

  // A tools folder with a double quote cannot be written into PATH.
  SetEnvironmentVariableW(L"PATH", L"C:\\Windows");
  ensure_tools_on_path(L"C:\\Users\\a\"b");
  EXPECT_EQ(environment_variable(L"PATH"), L"C:\\Windows");
}
