#include "cli/open_project.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "cli/project_name.h"
#include "program_run.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

TEST(OpenProject, OnlyNamesTheRemoteShellTakesLiterallyAreProjects) {
  const std::vector<std::pair<std::string, bool>> rows = {
      {"my.app", true},  {"9lives", true}, {"a-b_c.d", true}, {"A", true},
      {"", false},       {".hidden", false}, {"-x", false},   {"_x", false},
      {"a/b", false},    {"a b", false},   {"caf\xc3\xa9", false}, {"a;b", false},
      {"$(id)", false},  {"a\nb", false},  {"~x", false},     {"a'b", false},
  };
  for (const auto& [name, valid] : rows) {
    EXPECT_EQ(is_project_name(name), valid) << name;
    EXPECT_EQ(project_path(name).has_value(), valid) << name;
    EXPECT_EQ(open_command(name).has_value(), valid) << name;
  }
  EXPECT_EQ(project_path("my.app"), "~/Code/my.app");
}

TEST(OpenProject, RemoteCommandOpensTheFolderInATmuxSessionNamedAfterIt) {
  EXPECT_EQ(open_command("my.app"),
            "cd ~/Code/my.app || exit 1; if test -e ~/.config/pelk/no-persistent-session -o -e "
            "~/.config/pelk/no-tmux; then exec $SHELL -l; fi; exec tmux new-session -A -s my_app -c ~/Code/my.app");
  EXPECT_EQ(open_ssh_arguments(std::nullopt), (std::vector<std::string>{"pelk", "ls -1 ~/Code"}));
  EXPECT_EQ(open_ssh_arguments("a..b")->at(0), "-t");
  EXPECT_FALSE(open_ssh_arguments("a b"));
}

namespace {

// A stand-in ssh first (and alone) on PATH: it records its arguments, one per
// line, and exits with the status the test asks for.
struct StandInSsh {
  TempFolder folder;
  fs::path log = folder / "ssh-args";

  StandInSsh() {
    fs::create_directories(folder / "bin");
    write_text(folder / "bin" / "ssh",
               "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$STANDIN_LOG\"\n"
               "echo remote output\nexit \"${STANDIN_EXIT:-0}\"\n");
    ::chmod((folder / "bin" / "ssh").c_str(), 0755);
  }

  ProgramRun open(const std::vector<std::string>& args, const std::string& exit_status = "0") {
    std::vector<std::string> full = {"open"};
    full.insert(full.end(), args.begin(), args.end());
    return run_program(pelk_binary(), full,
                       {{"PATH", (folder / "bin").string()}, {"STANDIN_LOG", log.string()},
                        {"STANDIN_EXIT", exit_status}, {"HOME", std::nullopt}});
  }
  std::string recorded() const { return fs::exists(log) ? read_text(log) : "<ssh not run>"; }
};

}  // namespace

TEST(OpenProject, RunsSshOnTheConsoleAndMapsItsStatus) {
  struct Row {
    std::vector<std::string> args;
    std::string ssh_exit;
    int status;
    std::string recorded;
  };
  const std::string remote = *open_command("my.app");
  const std::vector<Row> rows = {
      {{"my.app"}, "0", 0, "-t\npelk\n" + remote + "\n"},
      {{"my.app"}, "3", 1, "-t\npelk\n" + remote + "\n"},
      {{"my.app"}, "255", 1, "-t\npelk\n" + remote + "\n"},
      {{}, "0", 0, "pelk\nls -1 ~/Code\n"},
      {{}, "1", 1, "pelk\nls -1 ~/Code\n"},
  };
  for (const auto& row : rows) {
    StandInSsh ssh;  // HOME is unset: open needs no home folder
    ProgramRun run = ssh.open(row.args, row.ssh_exit);
    EXPECT_EQ(run.status, row.status) << run.err;
    EXPECT_EQ(run.out, "remote output\n");  // ssh writes straight to pelk's own output
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ssh.recorded(), row.recorded);
  }
}

TEST(OpenProject, RefusesNamesBeforeAnythingRuns) {
  const std::vector<std::vector<std::string>> rows = {
      {".hidden"}, {"--", "-x"}, {"a/b"}, {"a b"}, {"caf\xc3\xa9"}, {""},
  };
  for (const auto& args : rows) {
    StandInSsh ssh;
    ProgramRun run = ssh.open(args);
    const std::string& name = args.back();
    EXPECT_EQ(run.status, 2) << name;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "pelk: " + name + " is not a project name\n");
    EXPECT_EQ(ssh.recorded(), "<ssh not run>");
  }
}

TEST(OpenProject, ReportsAnSshThatCannotStart) {
  TempFolder empty;
  ProgramRun run = run_program(pelk_binary(), {"open", "my.app"}, {{"PATH", empty.path().string()}});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "pelk: cannot run ssh: No such file or directory; connect this laptop first with pelk laptop connect\n");
}
