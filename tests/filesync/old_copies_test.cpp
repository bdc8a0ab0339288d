#include "filesync/old_copies.h"

#include <gtest/gtest.h>

#include <regex>
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

// Moves within one second each get a folder of their own, and earlier moved
// copies stay as they are.
TEST(OldCopies, EachMoveGetsAFolderOfItsOwn) {
  TempFolder home;
  fs::path code = home / "Code";
  std::uint64_t now = unix_seconds_now();
  for (std::uint64_t s = now; s < now + 3; ++s) write_text(old_copies_folder(code, s) / "notes", "moved before");
  std::vector<std::string> targets;
  for (const char* content : {"newer", "newest"}) {
    write_text(code / "notes", content);
    write_text(code / "app/index.php", content);
    std::ostringstream out;
    ASSERT_TRUE(move_aside_old_copies(code, {"notes", "app"}, out)) << content;
    const std::string prefix = "  Syncing again from the server: notes, app. The older laptop copies are in ";
    ASSERT_TRUE(out.str().starts_with(prefix)) << out.str();
    fs::path target = out.str().substr(prefix.size(), out.str().size() - prefix.size() - 2);
    EXPECT_EQ(read_text(target / "notes"), content);
    EXPECT_EQ(read_text(target / "app/index.php"), content);
    EXPECT_FALSE(fs::exists(code / "notes"));
    targets.push_back(target.filename().string());
  }
  // Within seconds already taken a move gets "<seconds>-2", the next one in
  // the same second "-3".
  EXPECT_NE(targets[0], targets[1]);
  for (const auto& name : targets) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(name, match, std::regex("([0-9]+)-([0-9]+)"))) << name;
    EXPECT_GE(std::stoull(match[1].str()), now);
    EXPECT_LE(std::stoull(match[1].str()), now + 2);
    EXPECT_GE(std::stoul(match[2].str()), 2u);
  }
  for (std::uint64_t s = now; s < now + 3; ++s) EXPECT_EQ(read_text(old_copies_folder(code, s) / "notes"), "moved before");
}

TEST(OldCopies, ServerOnlyCopiesAreTheFoldersStillThere) {
  TempFolder home;
  fs::path code = home / "Code";
  fs::create_directories(code / "api");
  fs::create_directories(code / "web");
  fs::create_directories(code / ".env");
  fs::create_directories(home / "x");
  write_text(code / "file", "not a folder");
  // Only plain project names: "/", ".." and "../x" are folders too, but not in the code folder.
  SyncSpec server{1, true, {}, {"api", "../x", ".env", "file", "absent", "/", "..", "web", "a/b"}, {}};
  EXPECT_EQ(server_only_copies(server, code), (std::vector<std::string>{"api", "web"}));
}
