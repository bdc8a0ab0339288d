// `share send` as the user runs it, with clipboard writers that behave as the
// real ones do: xclip stays behind to serve the selection, holding the outputs
// it inherited; the command must end when the writer itself does.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "program_run.h"
#include "state/paths.h"
#include "support/deadline.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

void write_script(const fs::path& file, const std::string& body) {
  write_text(file, "#!/bin/sh\n" + body);
  fs::permissions(file, fs::perms(0755));
}

}  // namespace

TEST(ClipboardWriter, SendEndsWhenTheWriterDoesWhateverItLeavesBehind) {
  struct Row {
    const char* name;
    std::string wl_copy;  // the stand-in's script
    std::string xclip;
  };
  // Each stand-in stores what it was given and leaves a child that keeps the
  // standard output and error it inherited, as xclip's selection server does.
  const std::string leave_child = "(while :; do sleep 1; echo serving; done) & echo $! > \"$HOME/child\"\nexit 0\n";
  const std::vector<Row> rows = {
      {"xclip on X11 (no Wayland)", "exit 1\n", "cat > \"$HOME/clipboard\"\n" + leave_child},
      {"wl-copy on Wayland", "cat > \"$HOME/clipboard\"\n" + leave_child, "exit 1\n"},
  };
  for (const auto& row : rows) {
    TempFolder home;
    TempFolder bin;
    write_text(state_dir(home.path()) / "shots-folder", "my-laptop");
    write_text(home / "notes.txt", "notes");
    write_script(bin / "mutagen", "exit 0\n");
    write_script(bin / "wl-copy", row.wl_copy);
    write_script(bin / "xclip", row.xclip);
    EnvironmentChanges env{{"HOME", home.path().string()}, {"PATH", bin.path().string() + ":/usr/bin:/bin"}};

    ProgramRun run;
    {
      Deadline deadline(std::string("pelk laptop share send with ") + row.name);
      run = run_program(pelk_binary(), {"laptop", "share", "send", (home / "notes.txt").string()}, env);
    }
    EXPECT_EQ(run.status, 0) << row.name << "\n" << run.err;
    EXPECT_EQ(run.out, "/home/dev/Share/my-laptop/notes.txt\n(copied)\n") << row.name;
    EXPECT_EQ(read_text(home / "clipboard"), "/home/dev/Share/my-laptop/notes.txt") << row.name;
    ASSERT_TRUE(fs::exists(home / "child")) << row.name;
    ::kill(static_cast<pid_t>(std::stol(read_text(home / "child"))), SIGKILL);
  }
}
