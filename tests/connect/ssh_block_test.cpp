#include "connect/ssh_block.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

const std::string kBlock7 =
    "# >>> pelk >>>\nHost pelk\n    HostName 100.64.0.7\n    User dev\n    ServerAliveInterval 30\nHost *\n# <<< pelk <<<\n";
const std::string kBlock9 =
    "# >>> pelk >>>\nHost pelk\n    HostName 100.64.0.9\n    User dev\n    ServerAliveInterval 30\nHost *\n# <<< pelk <<<\n";
// An entry as older versions wrote it: six lines, no closing "Host *".
const std::string kOldBlock = "# >>> pelk >>>\nHost pelk\n    HostName 1.1.1.1\n    User dev\n    ServerAliveInterval 30\n# <<< pelk <<<\n";

unsigned mode_of(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

}  // namespace

TEST(SshBlock, StripTable) {
  struct Case {
    const char* name;
    std::string before;
    std::string after;
  };
  const Case cases[] = {
      {"empty", "", ""},
      {"no block, CRLF", "Host a\r\n  User x\r\n", "Host a\n  User x\n"},
      {"final line without line feed", "Host a\n  User x", "Host a\n  User x\n"},
      {"carriage returns at a line's end belong to its ending", "Host a\r\r\n  User x\r", "Host a\n  User x\n"},
      {"a line of carriage returns at the top is empty", "\r\r\nHost a\n", "Host a\n"},
      {"leading empty lines go, blank ones stay", "\n\r\n\n \t\nHost a\n", " \t\nHost a\n"},
      {"block in the middle", "Host a\n" + kOldBlock + "Host b\n", "Host a\nHost b\n"},
      {"two blocks", kBlock7 + "Host a\n" + kBlock9, "Host a\n"},
      {"markers with blanks", "Host a\n \t# >>> pelk >>>  \nHost pelk\n\t# <<< pelk <<<\r\nHost b\n", "Host a\nHost b\n"},
      {"markers in other case are ordinary lines", "# >>> PELK >>>\nHost a\n# <<< Pelk <<<\n",
       "# >>> PELK >>>\nHost a\n# <<< Pelk <<<\n"},
      {"unterminated begin drops only itself", "Host a\n# >>> pelk >>>\nHost b\n  User y\n", "Host a\nHost b\n  User y\n"},
      {"lone end marker", "Host a\n# <<< pelk <<<\nHost b\n", "Host a\nHost b\n"},
      {"end before begin", "# <<< pelk <<<\nHost a\n# >>> pelk >>>\nx\n# <<< pelk <<<\n", "Host a\n"},
      {"bytes that are not UTF-8", "Host caf\xe9\n  IdentityFile ~/\xff\xfe\r\n\x80", "Host caf\xe9\n  IdentityFile ~/\xff\xfe\n\x80\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(strip_marked_block(c.before), c.after) << c.name;
}

TEST(SshBlock, WriteTable) {
  struct Case {
    const char* name;
    std::string before;
    std::string after;
  };
  const Case cases[] = {
      {"blank lines only", "\n  \n\t\r\n", kBlock7},
      {"user entries with an old block in the middle",
       "Include ~/.ssh/extra\nHost a\n  User x\n" + kOldBlock + "Host b\n  Port 2\n",
       kBlock7 + "\nInclude ~/.ssh/extra\nHost a\n  User x\nHost b\n  Port 2\n"},
      {"replaces the block of an earlier write", kBlock9 + "\nHost a\n", kBlock7 + "\nHost a\n"},
      {"CRLF and non-UTF-8 bytes", "Host \xe9t\xe9\r\n  User \xff\r\n", kBlock7 + "\nHost \xe9t\xe9\n  User \xff\n"},
      {"unterminated begin keeps the user's lines", "# >>> pelk >>>\nHost a\n  User x\n",
       kBlock7 + "\nHost a\n  User x\n"},
      {"marker in other case stays", "# >>> Pelk >>>\nHost a\n", kBlock7 + "\n# >>> Pelk >>>\nHost a\n"},
  };
  for (const auto& c : cases) {
    TempFolder home;
    write_text(home / ".ssh/config", c.before);
    auto written = write_ssh_block(home.path(), "100.64.0.7");
    ASSERT_TRUE(written) << c.name << ": " << written.error().display();
    EXPECT_EQ(read_text(home / ".ssh/config"), c.after) << c.name;
  }
}

TEST(SshBlock, NewFolderAndFileArePrivate) {
  TempFolder home;
  ASSERT_TRUE(write_ssh_block(home.path(), "100.64.0.9"));
  ASSERT_TRUE(write_ssh_block(home.path(), "100.64.0.7"));
  EXPECT_EQ(read_text(home / ".ssh/config"), kBlock7);
  EXPECT_EQ(mode_of(home / ".ssh"), 0700u);
  EXPECT_EQ(mode_of(home / ".ssh/config"), 0600u);
}

TEST(SshBlock, ExistingModesAreKept) {
  TempFolder home;
  write_text(home / ".ssh/config", "Host a\n");
  fs::permissions(home / ".ssh", fs::perms(0755));
  fs::permissions(home / ".ssh/config", fs::perms(0644));
  ASSERT_TRUE(write_ssh_block(home.path(), "100.64.0.7"));
  EXPECT_EQ(mode_of(home / ".ssh"), 0755u);
  EXPECT_EQ(mode_of(home / ".ssh/config"), 0644u);
  ASSERT_TRUE(remove_ssh_block(home.path()));
  EXPECT_EQ(mode_of(home / ".ssh/config"), 0644u);
}

TEST(SshBlock, SymlinkedConfigStaysALink) {
  TempFolder home;
  write_text(home / "dotfiles/ssh_config", "Host a\r\n");
  fs::create_directories(home / ".ssh");
  fs::create_symlink("../dotfiles/ssh_config", home / ".ssh/config");
  ASSERT_TRUE(write_ssh_block(home.path(), "100.64.0.7"));
  EXPECT_TRUE(fs::is_symlink(home / ".ssh/config"));
  EXPECT_EQ(read_text(home / "dotfiles/ssh_config"), kBlock7 + "\nHost a\n");
  ASSERT_TRUE(remove_ssh_block(home.path()));
  EXPECT_TRUE(fs::is_symlink(home / ".ssh/config"));
  EXPECT_EQ(read_text(home / "dotfiles/ssh_config"), "Host a\n");
}

TEST(SshBlock, UnreadableConfigStopsWriteAndIsLeftByRemoval) {
  TempFolder home;
  fs::create_directories(home / ".ssh/config");
  write_text(home / ".ssh/config/inside", "x");
  auto written = write_ssh_block(home.path(), "100.64.0.7");
  ASSERT_FALSE(written);
  EXPECT_TRUE(written.error().is_io());
  EXPECT_TRUE(fs::is_directory(home / ".ssh/config"));
  EXPECT_EQ(read_text(home / ".ssh/config/inside"), "x");
  EXPECT_TRUE(remove_ssh_block(home.path()));
  EXPECT_TRUE(fs::is_directory(home / ".ssh/config"));
}

TEST(SshBlock, WriteThenRemoveGivesBackTheUsersLines) {
  const std::string users = "AddKeysToAgent yes\nHost a\n  HostName a.example\n\nHost \xc3\xa9\xff\n  User b\n";
  TempFolder home;
  write_text(home / ".ssh/config", users);
  ASSERT_TRUE(write_ssh_block(home.path(), "100.64.0.7"));
  ASSERT_TRUE(write_ssh_block(home.path(), "100.64.0.9"));
  EXPECT_EQ(read_text(home / ".ssh/config"), kBlock9 + "\n" + users);
  ASSERT_TRUE(remove_ssh_block(home.path()));
  EXPECT_EQ(read_text(home / ".ssh/config"), users);
}

TEST(SshBlock, RemovalCases) {
  {
    TempFolder home;
    ASSERT_TRUE(remove_ssh_block(home.path()));
    EXPECT_FALSE(fs::exists(home / ".ssh"));
  }
  {
    TempFolder home;
    write_text(home / ".ssh/config", "\r\n\nHost a\r\n# <<< pelk <<<\n");
    ASSERT_TRUE(remove_ssh_block(home.path()));
    EXPECT_EQ(read_text(home / ".ssh/config"), "Host a\n");
  }
  {
    TempFolder home;
    write_text(home / ".ssh/config", kBlock7);
    ASSERT_TRUE(remove_ssh_block(home.path()));
    EXPECT_TRUE(fs::is_regular_file(home / ".ssh/config"));
    EXPECT_EQ(read_text(home / ".ssh/config"), "");
  }
}
