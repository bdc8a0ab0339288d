#include "share/share_setup.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

#include "share/share_folder.h"
#include "state/paths.h"
#include "state/text.h"
#include "support/fake_laptop.h"

namespace fs = std::filesystem;

namespace {

const std::string kPrepare =
    "cd && if [ -d Shots ] && [ ! -L Shots ] && [ ! -e Share ]; then mv Shots Share && ln -s Share Shots; fi && "
    "mkdir -p Share/my-laptop/out && find Share/my-laptop -path Share/my-laptop/keep -prune -o -type f -mmin +10080 "
    "-exec rm -f {} +";

struct ShareSetup : ::testing::Test, FakeLaptop {
  void SetUp() override {
    server.host_name = "My-Laptop.local";
    server.install(runner);
  }

  std::string share() const { return display_path(home() / "pelk-share"); }
  std::string from_server() const { return display_path(home() / "pelk-share" / "from-server"); }
  std::string on_lines() const {
    return "  File sharing: " + share() + " -> /home/dev/Share/my-laptop on the server\n" +
           "  From the server: /home/dev/Share/my-laptop/out -> " + from_server() + "\n";
  }
  std::string create_share() const {
    return "mutagen sync create --name pelk-share --mode one-way-replica --ignore /from-server --ignore /out " +
           share() + " pelk:Share/my-laptop";
  }
  std::string create_share_out() const {
    return "mutagen sync create --name pelk-share-out --mode one-way-replica pelk:Share/my-laptop/out " +
           from_server();
  }
  const FakeCall* find_call(const std::string& program) const {
    for (const auto& call : runner.calls()) {
      if (call.program == program) return &call;
    }
    return nullptr;
  }
  bool created_any() const {
    for (const auto& line : runner.call_lines()) {
      if (line.starts_with("mutagen sync create")) return true;
    }
    return false;
  }
};

void age_file(const fs::path& file, std::chrono::hours age) {
  fs::last_write_time(file, fs::file_time_type::clock::now() - age);
}

}  // namespace

TEST_F(ShareSetup, WithoutMutagenOnlyTheFlagChanges) {
  FakeRunner bare;  // "mutagen version" is not found
  const LaptopContext on_bare{bare, home(), OsKind::Linux, ElevationMethod::Sudo, out};
  ASSERT_TRUE(set_sharing(on_bare, false));
  EXPECT_EQ(read_text(state_dir(home()) / "shots-off"), "");
  ASSERT_TRUE(set_sharing(on_bare, true));
  EXPECT_FALSE(fs::exists(state_dir(home()) / "shots-off"));
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(bare.call_lines(), (std::vector<std::string>{"mutagen version", "mutagen version"}));
  EXPECT_FALSE(fs::exists(home() / "pelk-share"));
}

TEST_F(ShareSetup, OffTerminatesTheSessionsAndLeavesTheRest) {
  server.sessions = {{"pelk-shots", {}}, {"pelk-share", {}}, {"pelk-share-out", {}}};
  ASSERT_TRUE(set_sharing(context(), false));
  EXPECT_EQ(runner.call_lines(), (std::vector<std::string>{
                                     "mutagen version",
                                     "mutagen sync list pelk-shots",
                                     "mutagen sync terminate pelk-shots",
                                     "mutagen sync list pelk-share",
                                     "mutagen sync terminate pelk-share",
                                     "mutagen sync list pelk-share-out",
                                     "mutagen sync terminate pelk-share-out",
                                 }));
  runner.clear_calls();
  ASSERT_TRUE(set_sharing(context(), false));
  EXPECT_EQ(runner.call_lines(), (std::vector<std::string>{"mutagen version", "mutagen sync list pelk-shots",
                                                           "mutagen sync list pelk-share",
                                                           "mutagen sync list pelk-share-out"}));
  EXPECT_EQ(out.str(), "  File sharing is off.\n  File sharing is off.\n");
  EXPECT_FALSE(fs::exists(home() / "pelk-share"));
  EXPECT_FALSE(fs::exists(state_dir(home()) / "shots-folder"));
}

TEST_F(ShareSetup, FirstOnPreparesTheServerAndCreatesBothSessions) {
  write_text(state_dir(home()) / "shots-off", "");
  ASSERT_TRUE(set_sharing(context(), true));
  EXPECT_EQ(runner.call_lines(), (std::vector<std::string>{
                                     "mutagen version",
                                     "mutagen sync list pelk-shots",
                                     "hostname",
                                     "ssh pelk " + kPrepare,
                                     "mutagen sync list pelk-share",
                                     create_share(),
                                     "mutagen sync list pelk-share-out",
                                     create_share_out(),
                                 }));
  EXPECT_EQ(find_call("ssh")->args, (std::vector<std::string>{"pelk", kPrepare}));
  EXPECT_EQ(out.str(), on_lines());
  EXPECT_TRUE(fs::is_directory(home() / "pelk-share/from-server"));
  EXPECT_TRUE(fs::is_directory(home() / "pelk-share/keep"));
  EXPECT_EQ(read_text(state_dir(home()) / "shots-folder"), "my-laptop");
  EXPECT_FALSE(fs::exists(state_dir(home()) / "shots-off"));

  // A second run creates nothing, but prepares the server again.
  runner.clear_calls();
  ASSERT_TRUE(set_sharing(context(), true));
  EXPECT_EQ(runner.call_lines(), (std::vector<std::string>{
                                     "mutagen version",
                                     "mutagen sync list pelk-shots",
                                     "ssh pelk " + kPrepare,
                                     "mutagen sync list pelk-share",
                                     "mutagen sync list pelk-share-out",
                                 }));
  EXPECT_EQ(out.str(), on_lines() + on_lines());
}

TEST_F(ShareSetup, OnlyTheMissingSessionIsCreated) {
  server.sessions = {{"pelk-share", {}}};
  ASSERT_TRUE(setup_share(context()));
  auto lines = runner.call_lines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](auto& l) { return l.starts_with("mutagen sync create"); }), 1);
  EXPECT_EQ(lines.back(), create_share_out());
}

TEST_F(ShareSetup, UnreachableServerWarnsThenFailsAtTheFirstSession) {
  runner.on("ssh", {"pelk", kPrepare}, failed_output("ssh: connect to host 100.64.0.7 port 22: timed out\r\n"));
  server.create_error = "Error: unable to connect to beta: server unreachable\n";
  auto result = setup_share(context());
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().display(),
            "starting the file sharing sync failed: Error: unable to connect to beta: server unreachable");
  EXPECT_EQ(out.str(),
            "  warning: cannot prepare ~/Share/my-laptop on the server: ssh: connect to host 100.64.0.7 port 22: "
            "timed out\n");
  EXPECT_EQ(runner.call_lines().back(), create_share());

  // ssh that cannot even start gives its start failure in the warning.
  FakeRunner no_ssh;
  FakeServer fresh;
  fresh.host_name = "My-Laptop";
  fresh.install(no_ssh);
  no_ssh.fail_start("ssh", EACCES);
  std::ostringstream second;
  ASSERT_TRUE(setup_share(LaptopContext{no_ssh, home(), OsKind::Linux, ElevationMethod::Sudo, second}));
  EXPECT_EQ(second.str(), "  warning: cannot prepare ~/Share/my-laptop on the server: " +
                              CommandError::io_errno(EACCES).display() + "\n" + on_lines());
}

TEST_F(ShareSetup, OldShareFolderMovesAndTheScreenshotsFollow) {
  write_text(home() / "pelk-shots" / "old.png", "png");
  runner.on("defaults", {"read", "com.apple.screencapture", "location"},
            ok_output(display_path(home() / "pelk-shots") + "/\n"));
  runner.on("defaults", {"write", "com.apple.screencapture", "location", share()}, ok_output());
  runner.on("killall", {"SystemUIServer"}, ok_output());
  ASSERT_TRUE(setup_share(context()));
  EXPECT_FALSE(fs::exists(home() / "pelk-shots"));
  EXPECT_EQ(read_text(home() / "pelk-share" / "old.png"), "png");
  auto lines = runner.call_lines();
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.begin() + 5),
            (std::vector<std::string>{"defaults read com.apple.screencapture location",
                                      "defaults write com.apple.screencapture location " + share(),
                                      "killall SystemUIServer"}));
}

TEST_F(ShareSetup, OldShareFolderStaysWhenBothExist) {
  write_text(home() / "pelk-shots" / "old.png", "old");
  write_text(home() / "pelk-share" / "new.png", "new");
  ASSERT_TRUE(setup_share(context()));
  EXPECT_EQ(read_text(home() / "pelk-shots" / "old.png"), "old");
  EXPECT_EQ(read_text(home() / "pelk-share" / "new.png"), "new");
  EXPECT_EQ(find_call("defaults"), nullptr);
}

TEST_F(ShareSetup, KeptNameThatIsNoFolderNameStopsBeforeTheServer) {
  for (std::string bad : {"..", ".", "a b", "x;rm -rf ~", "a/b", "-x", "caf\xc3\xa9"}) {
    SCOPED_TRACE(bad);
    write_text(state_dir(home()) / "shots-folder", " " + bad + "\n");
    runner.clear_calls();
    auto result = setup_share(context());
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().display(),
              "~/.config/pelk/shots-folder holds '" + bad + "', which is not a folder name; fix it or delete the file");
    EXPECT_EQ(find_call("ssh"), nullptr);
    EXPECT_EQ(find_call("hostname"), nullptr);
    EXPECT_FALSE(created_any());
  }
  EXPECT_EQ(out.str(), "");
}

TEST_F(ShareSetup, KeepDaysDecidePruningAndTheServerClause) {
  fs::path old_file = home() / "pelk-share" / "old.png";
  write_text(old_file, "x");
  age_file(old_file, std::chrono::hours(24 * 8));

  write_text(state_dir(home()) / "share-keep-days", "0");
  const std::string keep_forever =
      "cd && if [ -d Shots ] && [ ! -L Shots ] && [ ! -e Share ]; then mv Shots Share && ln -s Share Shots; fi && "
      "mkdir -p Share/my-laptop/out";
  ASSERT_TRUE(setup_share(context()));
  EXPECT_TRUE(fs::exists(old_file));
  EXPECT_EQ(find_call("ssh")->args.back(), keep_forever);

  // With sharing off the new value is only kept.
  write_text(state_dir(home()) / "shots-off", "");
  std::ostringstream off_out;
  ASSERT_TRUE(set_keep_days(LaptopContext{runner, home(), OsKind::Linux, ElevationMethod::Sudo, off_out}, 3));
  EXPECT_EQ(read_text(state_dir(home()) / "share-keep-days"), "3");
  EXPECT_EQ(off_out.str(), "  File sharing is off.\n");
  EXPECT_TRUE(fs::exists(old_file));

  // Back on with 7 days: the old file goes, the server gets the 7-day clause.
  fs::remove(state_dir(home()) / "shots-off");
  runner.clear_calls();
  ASSERT_TRUE(set_keep_days(context(), 7));
  EXPECT_EQ(read_text(state_dir(home()) / "share-keep-days"), "7");
  EXPECT_FALSE(fs::exists(old_file));
  EXPECT_EQ(find_call("ssh")->args.back(), kPrepare);
}

TEST_F(ShareSetup, FilesOverTheLimitDrawOneWarningEach) {
  server.sessions = {{"pelk-share", {}}, {"pelk-share-out", {}}};
  auto sized = [&](const fs::path& file, std::uintmax_t size) {
    write_text(file, "");
    fs::resize_file(file, size);
  };
  sized(home() / "pelk-share" / "big.mov", 524288001);
  sized(home() / "pelk-share" / "exact.mov", 524288000);
  sized(home() / "pelk-share" / "keep" / "kept.mov", 600000000);
  sized(home() / "pelk-share" / "from-server" / "back.mov", 600000000);
  ASSERT_TRUE(setup_share(context()));
  EXPECT_EQ(out.str(), on_lines() + "  warning: " + display_path(home() / "pelk-share" / "big.mov") +
                           " is over 500 MB; move it another way (scp, rsync)\n" + "  warning: " +
                           display_path(home() / "pelk-share" / "keep" / "kept.mov") +
                           " is over 500 MB; move it another way (scp, rsync)\n");
  EXPECT_TRUE(fs::exists(home() / "pelk-share" / "big.mov"));
}

TEST_F(ShareSetup, AFailedPrintEndsTheCommand) {
  out.setstate(std::ios::badbit);
  server.sessions = {};
  write_text(state_dir(home()) / "shots-off", "");
  auto result = setup_share(context());
  ASSERT_FALSE(result);
  EXPECT_TRUE(result.error().is_io());
}
