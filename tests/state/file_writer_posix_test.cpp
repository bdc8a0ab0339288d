// The file writer against targets it must not replace and folders where
// earlier runs were killed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <set>

#include "state/file_io.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

// Runs `step` as a user without privileges and gives what it returned: in a
// child that drops to "nobody" when the tests run as root (root may write any
// file, so only a plain user shows what a read-only file means).
std::string as_plain_user(const std::function<std::string()>& step) {
  if (::geteuid() != 0) return step();
  int fds[2];
  if (::pipe(fds) != 0) return "pipe failed";
  pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    std::string said = (::setgid(kNobody) == 0 && ::setuid(kNobody) == 0) ? step() : "cannot drop privileges";
    (void)!::write(fds[1], said.data(), said.size());
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string said;
  char buffer[256];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) said.append(buffer, static_cast<size_t>(n));
  ::close(fds[0]);
  ::waitpid(child, nullptr, 0);
  return said;
}

// Gives a file or folder to the plain user that as_plain_user runs as.
void hand_over(const fs::path& path) {
  if (::geteuid() == 0) {
    ASSERT_EQ(::lchown(path.c_str(), kNobody, kNobody), 0) << path;
  }
}

std::set<std::string> names_in(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

std::string written(const fs::path& target, std::string_view bytes) {
  auto result = write_file_atomically(target, bytes);
  return result ? "written" : result.error().display();
}

}  // namespace

// A file the user cannot write is refused as an in-place write would refuse
// it, though its folder would let a rename replace it.
TEST(FileWriter, ReadOnlyTargetIsRefusedNotReplaced) {
  struct Row {
    const char* name;
    const char* target;  // in the folder; "config" links to "real-config"
    fs::perms mode;
    std::string expected;
  };
  const Row rows[] = {
      {"read-only file", "real-config", fs::perms(0444), "Permission denied (os error 13)"},
      {"read-only file behind a link", "config", fs::perms(0444), "Permission denied (os error 13)"},
      {"writable file behind a link", "config", fs::perms(0644), "written"},
  };
  for (const auto& row : rows) {
    TempFolder folder;
    fs::path real = folder / "real-config";
    write_text(real, "Host mine\n");
    fs::create_symlink("real-config", folder / "config");
    fs::permissions(real, row.mode);
    for (const fs::path& path : {folder.path(), real, folder / "config"}) hand_over(path);

    EXPECT_EQ(as_plain_user([&] { return written(folder / row.target, "Host pelk\n"); }), row.expected) << row.name;
    EXPECT_EQ(read_text(real), row.expected == "written" ? "Host pelk\n" : "Host mine\n") << row.name;
    EXPECT_TRUE(fs::is_symlink(folder / "config")) << row.name;
    EXPECT_EQ(fs::status(real).permissions(), row.mode) << row.name;
    EXPECT_EQ(names_in(folder.path()), (std::set<std::string>{"config", "real-config"})) << row.name;
  }
}

// A killed pelk leaves its temporary file behind; the next write in that
// folder removes those of runs that have ended, and nothing else.
TEST(FileWriter, TemporariesOfEndedRunsAreRemovedByTheNextWrite) {
  pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ASSERT_GT(ended, 0);
  ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
  const std::string gone = std::to_string(ended);
  const std::string alive = std::to_string(::getpid());

  const std::pair<std::string, bool> rows[] = {
      {".pelk-" + gone + "-0", false},
      {".config.pelk-" + gone + "-12", false},  // the longer name of older runs
      {".laptop.json.pelk-" + gone + "-3", false},
      {".pelk-" + alive + "-7", true},  // a run that is still going
      {".config.pelk-" + alive + "-0", true},
      {".pelk-" + gone, true},  // not a writer's name
      {".pelk-partial", true},
      {"config.pelk-" + gone + "-0", true},
      {".config.pelk-" + gone + "-0x", true},
      {".config.pelk--0", true},
      {".pelk-0-0", true},
      {"config", true},
  };
  TempFolder folder;
  for (const auto& [name, kept] : rows) write_text(folder / name, "leftover");
  ASSERT_EQ(written(folder / "laptop.json", "{}"), "written");
  std::set<std::string> left = names_in(folder.path());
  for (const auto& [name, kept] : rows) EXPECT_EQ(left.contains(name), kept) << name;
  EXPECT_TRUE(left.contains("laptop.json"));
  EXPECT_EQ(left.size(), 1 + std::count_if(std::begin(rows), std::end(rows), [](const auto& row) { return row.second; }));
}

// The temporary name is short, so any valid name can be written, up to the
// longest one the file system takes.
TEST(FileWriter, NamesUpToTheLongestValidOneCanBeWritten) {
  for (size_t length : {size_t(1), size_t(200), size_t(241), size_t(242), size_t(255)}) {
    TempFolder folder;
    fs::path target = folder / std::string(length, 'n');
    EXPECT_EQ(written(target, "content"), "written") << length;
    EXPECT_EQ(read_text(target), "content") << length;
    EXPECT_EQ(names_in(folder.path()).size(), 1u) << length;
  }
}
