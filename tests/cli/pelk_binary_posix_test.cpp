// The command line as the user meets it: the built binary, its exit status and
// what it writes on each stream.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/command_line.h"
#include "program_run.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kHint = "Run with --help for more information.\n";
constexpr const char* kNoHome = "pelk: the home directory is not set (HOME, or USERPROFILE on Windows)\n";

enum class Home { Set, Unset };

struct Row {
  std::vector<std::string> args;
  Home home;
  int status;
  std::string out;           // exact, unless out_part is set
  std::string err;           // exact, unless err_part is set
  bool out_part = false;     // `out` only has to appear in standard output
  bool err_part = false;
};

std::string shown(const std::vector<std::string>& args) {
  std::string line = "pelk";
  for (const auto& arg : args) line += " [" + arg + "]";
  return line;
}

}  // namespace

TEST(PelkBinary, StatusAndStreamsForEachKindOfCommandLine) {
  TempFolder home;
  TempFolder empty_bin;
  const std::string version = std::string(kVersionText) + "\n";
  const std::vector<Row> rows = {
      {{}, Home::Set, 0, version, ""},
      {{"-V"}, Home::Set, 0, version, ""},
      {{"--version"}, Home::Set, 0, version, ""},
      {{"version"}, Home::Set, 0, version, ""},
      {{"version"}, Home::Unset, 0, version, ""},
      {{"--help"}, Home::Set, 0, "Usage: pelk [OPTIONS] [SUBCOMMAND]\n", "", true},
      {{"help", "laptop"}, Home::Set, 0, "Usage: pelk laptop [OPTIONS] SUBCOMMAND\n", "", true},
      {{"laptop"}, Home::Set, 2, "", "Usage: pelk laptop [OPTIONS] SUBCOMMAND\n", false, true},
      {{"laptop", "shots"}, Home::Set, 2, "", "Usage: pelk laptop share [OPTIONS] SUBCOMMAND\n", false, true},
      {{"bogus"}, Home::Set, 2, "",
       std::string("The following argument was not expected: bogus\nUsage: pelk [OPTIONS] [SUBCOMMAND]\n") + kHint},
      {{"laptop", "status", "-V"}, Home::Set, 2, "",
       std::string("The following argument was not expected: -V\nUsage: pelk laptop status [OPTIONS]\n") + kHint},
      {{"laptop", "share", "keep", "4294967296"}, Home::Set, 2, "",
       std::string("DAYS: 4294967296 is not a decimal number from 0 to 4294967295\n"
                   "Usage: pelk laptop share keep [OPTIONS] DAYS\n") +
           kHint},
      {{"laptop", "share", "keep", "0x10"}, Home::Set, 2, "",
       std::string("DAYS: 0x10 is not a decimal number from 0 to 4294967295\n"
                   "Usage: pelk laptop share keep [OPTIONS] DAYS\n") +
           kHint},
      {{"laptop", "share", "keep", "-1"}, Home::Set, 2, "", "DAYS: -1 is not a decimal number", false, true},
      {{"laptop", "status"}, Home::Unset, 2, "", kNoHome},
      {{"laptop", "share", "keep", "0"}, Home::Unset, 2, "", kNoHome},
      {{"laptop", "share", "keep", "4294967295"}, Home::Unset, 2, "", kNoHome},
  };
  for (const auto& row : rows) {
    EnvironmentChanges env{{"PATH", empty_bin.path().string()}};
    env["HOME"] = row.home == Home::Set ? std::optional<std::string>(home.path().string()) : std::nullopt;
    ProgramRun run = run_program(pelk_binary(), row.args, env);
    EXPECT_EQ(run.status, row.status) << shown(row.args) << "\n" << run.err;
    if (row.out_part) {
      EXPECT_NE(run.out.find(row.out), std::string::npos) << shown(row.args) << "\n" << run.out;
    } else {
      EXPECT_EQ(run.out, row.out) << shown(row.args);
    }
    if (row.err_part) {
      EXPECT_NE(run.err.find(row.err), std::string::npos) << shown(row.args) << "\n" << run.err;
    } else {
      EXPECT_EQ(run.err, row.err) << shown(row.args);
    }
  }
}

TEST(PelkBinary, HelpHidesTheShotsAliasThatStillWorks) {
  auto help = run_program(pelk_binary(), {"laptop", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("  share "), std::string::npos);
  EXPECT_EQ(help.out.find("shots"), std::string::npos);
  auto alias = run_program(pelk_binary(), {"laptop", "shots", "--help"});
  EXPECT_EQ(alias.status, 0);
  EXPECT_NE(alias.out.find("Usage: pelk laptop share [OPTIONS] SUBCOMMAND"), std::string::npos);
}

TEST(PelkBinary, UsageNamesPelkWhateverTheExecutableIsCalled) {
  TempFolder folder;
  fs::path renamed = folder / "some-other-name";
  fs::create_symlink(pelk_binary(), renamed);
  auto run = run_program(renamed.string(), {"laptop", "bogus"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, std::string("The following argument was not expected: bogus\n"
                                 "Usage: pelk laptop [OPTIONS] SUBCOMMAND\n") +
                         kHint);
  auto help = run_program(renamed.string(), {"--help"});
  EXPECT_NE(help.out.find("Usage: pelk [OPTIONS]"), std::string::npos);
  EXPECT_EQ(help.out.find("some-other-name"), std::string::npos);
}
