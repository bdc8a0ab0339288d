// The files pelk reads whole (~/.ssh/config, its state files) replaced by
// something that is not a regular file of a sane size: a FIFO nobody writes,
// a link to an endless device, a huge file. Each command that reads one ends
// at once with an error naming the file, and leaves it as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <sstream>

#include "connect/ssh_block.h"
#include "filesync/code_sync.h"
#include "share/laptop_name.h"
#include "share/share_flags.h"
#include "state/file_io.h"
#include "state/laptop_config.h"
#include "state/paths.h"
#include "state/text.h"
#include "support/deadline.h"
#include "support/fake_runner.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

enum class Kind { Fifo, LinkToZero, LinkToNull, Huge };

const char* kind_name(Kind kind) {
  switch (kind) {
    case Kind::Fifo: return "a FIFO";
    case Kind::LinkToZero: return "a link to /dev/zero";
    case Kind::LinkToNull: return "a link to /dev/null";
    case Kind::Huge: return "a file over the read bound";
  }
  return "";
}

void put(Kind kind, const fs::path& file) {
  fs::create_directories(file.parent_path());
  switch (kind) {
    case Kind::Fifo:
      ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
      break;
    case Kind::LinkToZero:
      fs::create_symlink("/dev/zero", file);
      break;
    case Kind::LinkToNull:
      fs::create_symlink("/dev/null", file);
      break;
    case Kind::Huge:
      write_text(file, "{");
      fs::resize_file(file, kReadLimit + 1);  // sparse: no disk is used
      break;
  }
}

// What the file is now: its type, where a link points, its size.
std::string described(const fs::path& file) {
  std::error_code ec;
  auto status = fs::symlink_status(file, ec);
  if (fs::is_symlink(status)) return "link to " + fs::read_symlink(file, ec).string();
  if (fs::is_fifo(status)) return "fifo";
  if (fs::is_regular_file(status)) return "file of " + std::to_string(fs::file_size(file, ec));
  return "other";
}

struct Command {
  const char* name;
  fs::path file;  // under the home folder
  std::function<Result<void>(const fs::path& home)> run;
};

}  // namespace

TEST(HostileStateFiles, CommandsStopAtOnceWithAnErrorNamingTheFile) {
  const std::vector<Command> commands = {
      {"load laptop.json", ".config/pelk/laptop.json",
       [](const fs::path& home) -> Result<void> {
         PELK_TRY(load_config(home));
         return {};
       }},
      {"write the SSH block", ".ssh/config",
       [](const fs::path& home) { return write_ssh_block(home, "100.64.0.7"); }},
      {"find the laptop's folder name", ".config/pelk/shots-folder",
       [](const fs::path& home) -> Result<void> {
         FakeRunner runner;
         runner.on("hostname", {}, ok_output("laptop\n"));
         PELK_TRY(laptop_folder_name(runner, home));
         return {};
       }},
  };
  for (Kind kind : {Kind::Fifo, Kind::LinkToZero, Kind::LinkToNull, Kind::Huge}) {
    for (const auto& command : commands) {
      SCOPED_TRACE(std::string(command.name) + " with " + kind_name(kind));
      TempFolder home;
      fs::path file = home / command.file.string();
      put(kind, file);
      std::string before = described(file);
      Result<void> result;
      {
        Deadline deadline(std::string(command.name) + " with " + kind_name(kind) + " in its place");
        result = command.run(home.path());
      }
      ASSERT_FALSE(result);
      std::string expected = kind == Kind::Huge ? display_path(file) + " is larger than 16 MiB, too large for pelk to read"
                                                : display_path(file) + " is not a regular file";
      EXPECT_EQ(result.error().display(), expected);
      EXPECT_EQ(described(file), before);
    }
  }
}

// The files whose faults count as "none" (the keep days, the rules last
// applied) give their defaults without waiting; the rules are not written
// over a FIFO or a device.
TEST(HostileStateFiles, FilesThatDefaultDoNotBlockAndAreNotReplacedByADevice) {
  for (Kind kind : {Kind::Fifo, Kind::LinkToZero}) {
    SCOPED_TRACE(kind_name(kind));
    TempFolder home;
    fs::path keep = state_dir(home.path()) / "share-keep-days";
    fs::path rules = state_dir(home.path()) / "sync.json";
    put(kind, keep);
    put(kind, rules);
    FakeRunner runner;
    runner.on("mutagen", {"version"}, ok_output("0.18.1\n"));
    runner.on_any("mutagen", [](const FakeCall&) -> Result<ToolOutput> { return ok_output(); });
    runner.on("mutagen", {"sync", "list", "pelk-code"}, failed_output("Error: unable to locate requested sessions\n"));
    std::ostringstream out;
    Result<void> synced;
    {
      Deadline deadline(std::string("reading the keep days and the rules from ") + kind_name(kind));
      EXPECT_EQ(read_keep_days(home.path()), kDefaultKeepDays);
      synced = sync_code(LaptopContext{runner, home.path(), OsKind::Linux, ElevationMethod::Sudo, out}, home / "Code");
    }
    ASSERT_FALSE(synced);
    EXPECT_EQ(synced.error().display(), display_path(rules) + " is not a regular file");
    EXPECT_EQ(described(rules), kind == Kind::Fifo ? "fifo" : "link to /dev/zero");
  }
}
