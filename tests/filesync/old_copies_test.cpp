#include "filesync/old_copies.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

#include "state/clock.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

TEST(OldCopies, ResyncedProjectsAreTheOnesComingBackThatTheLaptopHolds) {
  TempFolder home;
  fs::path code = home / "Code";
  fs::create_directories(code / "app");
  fs::create_directories(code / "shared");
  fs::create_directories(code / "api");
  fs::create_directories(code / ".env");
  fs::create_directories(home / "x");
  write_text(code / "notes", "a file counts too");
  fs::create_symlink(home / "nowhere", code / "gone");

  SyncSpec server{1, true, {}, {"api"}, {"app", "notes", "gone", "missing", "shared", "api", "../x", ".env"}};
  struct Case {
    std::string what;
    SyncSpec laptop;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"sync was off", {0, false, {}, {}, {}}, {"app", "notes", "shared"}},
      {"app was server only", {0, true, {}, {"app", "api"}, {}}, {"app"}},
      {"everything was synced", {0, true, {}, {}, {}}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(resynced_projects(server, c.laptop, code), c.expected) << c.what;
}

TEST(OldCopies, TheDatedFolderLiesBesideTheCodeFolder) {
  const std::pair<std::string, std::string> cases[] = {
      {"/Users/ann/Code", "/Users/ann/Code-pelk-old/42"},
      {"/Users/ann/Code/", "/Users/ann/Code-pelk-old/42"},
      {"/Users/ann/src/.", "/Users/ann/src-pelk-old/42"},
      {"/", "/Code-pelk-old/42"},
      {"Code", "Code-pelk-old/42"},
  };
  for (const auto& [code, expected] : cases) EXPECT_EQ(old_copies_folder(code, 42), fs::path(expected)) << code;
}

TEST(OldCopies, MovesTheCopiesAsideAndSaysWhere) {
  TempFolder home;
  fs::path code = home / "Code";
  write_text(code / "app/index.php", "old");
  write_text(code / "notes", "old notes");
  std::ostringstream out;
  std::uint64_t before = unix_seconds_now();
  ASSERT_TRUE(move_aside_old_copies(code, {"app", "notes"}, out));
  std::uint64_t after = unix_seconds_now();

  std::vector<fs::path> dated;
  for (const auto& entry : fs::directory_iterator(home / "Code-pelk-old")) dated.push_back(entry.path());
  ASSERT_EQ(dated.size(), 1u);
  std::uint64_t seconds = std::stoull(dated[0].filename().string());
  EXPECT_GE(seconds, before);
  EXPECT_LE(seconds, after);
  EXPECT_EQ(read_text(dated[0] / "app/index.php"), "old");
  EXPECT_EQ(read_text(dated[0] / "notes"), "old notes");
  EXPECT_FALSE(fs::exists(code / "app"));
  EXPECT_EQ(out.str(), "  Syncing again from the server: app, notes. The older laptop copies are in " +
                           dated[0].string() + ".\n");
}

TEST(OldCopies, NothingToMoveCreatesNothing) {
  TempFolder home;
  write_text(home / "x/keep", "outside the code folder");
  write_text(home / "Code/.env/keep", "hidden");
  std::ostringstream out;
  ASSERT_TRUE(move_aside_old_copies(home / "Code", {}, out));
  ASSERT_TRUE(move_aside_old_copies(home / "Code", {"../x", ".env", "a/b", ".."}, out));
  EXPECT_EQ(out.str(), "");
  EXPECT_FALSE(fs::exists(home / "Code-pelk-old"));
  EXPECT_EQ(read_text(home / "x/keep"), "outside the code folder");
  EXPECT_EQ(read_text(home / "Code/.env/keep"), "hidden");
}

TEST(OldCopies, ACopyMovedEarlierInTheSameSecondIsNeverReplaced) {
  TempFolder home;
  fs::path code = home / "Code";
  write_text(code / "notes", "newer");
  std::uint64_t now = unix_seconds_now();
  for (std::uint64_t s = now; s < now + 3; ++s) write_text(old_copies_folder(code, s) / "notes", "moved before");
  std::ostringstream out;
  auto result = move_aside_old_copies(code, {"notes"}, out);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().code(), CommandError::io_errno(EEXIST).code());
  EXPECT_EQ(read_text(code / "notes"), "newer");
  EXPECT_EQ(read_text(old_copies_folder(code, now) / "notes"), "moved before");
  EXPECT_EQ(out.str(), "");
}

TEST(OldCopies, ServerOnlyCopiesAreTheFoldersStillThere) {
  TempFolder home;
  fs::path code = home / "Code";
  fs::create_directories(code / "api");
  fs::create_directories(code / ".env");
  fs::create_directories(home / "x");
  write_text(code / "file", "not a folder");
  SyncSpec server{1, true, {}, {"api", "../x", ".env", "file", "absent"}, {}};
  EXPECT_EQ(server_only_copies(server, code), (std::vector<std::string>{"api", "../x", ".env"}));
}
