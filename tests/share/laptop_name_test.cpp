#include "share/laptop_name.h"

#include <gtest/gtest.h>

#include "state/paths.h"
#include "support/fake_runner.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

TEST(LaptopName, HostNamesBecomeFolderNames) {
  struct Case {
    std::string host;
    std::string name;
  };
  const Case cases[] = {
      {"My-Laptop.local\n", "my-laptop"},
      {"DESKTOP_7 B", "desktop-7-b"},
      {"--.lan", "laptop"},
      {"", "laptop"},
      {"  a--b__c  \r\n", "a-b-c"},
      {"caf\xc3\xa9-Box", "caf-box"},
      {"\xce\xa3\xce\xa3x", "x"},             // Greek capital sigma lower-cases outside ASCII
      {"\xc3\x84pfel", "pfel"},               // A with diaeresis
      {"\xe2\x84\xaa" "elvin", "kelvin"},  // KELVIN SIGN lower-cases to k
      {"\xc4\xb0stanbul.example", "i-stanbul"},  // capital I with dot: i and a combining dot
      {"\xef\xbf\xbdname", "name"},
      {"host.with.dots", "host"},
  };
  for (const auto& c : cases) EXPECT_EQ(folder_name_from_host(c.host), c.name) << c.host;
}

TEST(LaptopName, UsableNames) {
  for (std::string_view good : {"my-laptop", "Work_PC.2", "a", "laptop"}) EXPECT_TRUE(is_usable_folder_name(good)) << good;
  for (std::string_view bad : {"", ".", "..", ".hidden", "-x", "a b", "a/b", "a\\b", "x;rm", "caf\xc3\xa9"}) {
    EXPECT_FALSE(is_usable_folder_name(bad)) << bad;
  }
}

TEST(LaptopName, DerivedOnceThenReadFromTheFile) {
  TempFolder home;
  FakeRunner runner;
  runner.on("hostname", {}, ok_output("Work-PC\n"));
  auto first = laptop_folder_name(runner, home.path());
  ASSERT_TRUE(first) << first.error().display();
  EXPECT_EQ(*first, "work-pc");
  fs::path file = state_dir(home.path()) / "shots-folder";
  EXPECT_EQ(read_text(file), "work-pc");

  write_text(file, "  old-name \r\n");
  runner.clear_calls();
  EXPECT_EQ(laptop_folder_name(runner, home.path()).value(), "old-name");
  EXPECT_TRUE(runner.calls().empty());
  EXPECT_EQ(read_text(file), "  old-name \r\n");

  // Blank or non-UTF-8 content counts as no name and is replaced.
  for (std::string content : {" \n", "\xff\xfe"}) {
    write_text(file, content);
    EXPECT_EQ(laptop_folder_name(runner, home.path()).value(), "work-pc");
    EXPECT_EQ(read_text(file), "work-pc");
  }
}

TEST(LaptopName, FailingHostnameGivesLaptopAndAnUnwritableStateFolderFails) {
  TempFolder home;
  FakeRunner runner;
  runner.on("hostname", {}, failed_output("hostname: oops", "Ignored\n"));
  EXPECT_EQ(laptop_folder_name(runner, home.path()).value(), "laptop");

  FakeRunner unstartable;
  unstartable.fail_start("hostname", EACCES);
  TempFolder other;
  write_text(other / ".config", "a file where the state folder should be");
  auto result = laptop_folder_name(unstartable, other.path());
  ASSERT_FALSE(result);
  EXPECT_TRUE(result.error().is_io());
}
