#include "maintenance/disconnect.h"

#include <gtest/gtest.h>

#include <sstream>

#include "state/paths.h"
#include "support/fake_server.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {
const char* kDisconnected = "Disconnected. Your files stay on both sides; the certificate stays trusted.\n";
const std::vector<std::string> kTerminates = {"mutagen sync terminate pelk-code", "mutagen sync terminate pelk-share",
                                              "mutagen sync terminate pelk-share-out",
                                              "mutagen sync terminate pelk-shots"};
}  // namespace

TEST(Disconnect, TakesTheConnectionDownAndKeepsFilesAndTrust) {
  TempFolder home;
  FakeRunner runner;
  FakeServer server;
  server.sessions = {{"pelk-code", {"/c", "pelk:Code"}}, {"pelk-share", {}}, {"work", {"/w", "box:/w"}}};
  server.install(runner);
  runner.on_interactive("sudo", {"sh", "-c", "rm -f /etc/systemd/resolved.conf.d/pelk.conf && (systemctl restart systemd-resolved || true)"}, true);
  write_text(home / ".ssh/config", "# >>> pelk >>>\nHost pelk\n    HostName 1.2.3.4\n# <<< pelk <<<\n\nHost work\n");
  write_text(state_dir(home.path()) / "laptop.json", "{}");
  write_text(state_dir(home.path()) / "ca.pem", kTestCertificate);

  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    runner.clear_calls();
    std::ostringstream out;
    ASSERT_TRUE(disconnect_laptop(runner, home.path(), OsKind::Linux, ElevationMethod::Sudo, out));
    EXPECT_EQ(out.str(), kDisconnected);
    auto expected = kTerminates;
    expected.push_back(
        "[interactive] sudo sh -c rm -f /etc/systemd/resolved.conf.d/pelk.conf && (systemctl restart systemd-resolved "
        "|| true)");
    EXPECT_EQ(runner.call_lines(), expected);
    EXPECT_EQ(read_text(home / ".ssh/config"), "Host work\n");
    EXPECT_FALSE(fs::exists(state_dir(home.path()) / "laptop.json"));
    EXPECT_TRUE(fs::exists(state_dir(home.path()) / "ca.pem"));
    EXPECT_EQ(server.sessions.size(), 1u);  // the user's own session stays
  }
}

TEST(Disconnect, NeverConnectedLaptopAndCancelledPromptStillComplete) {
  TempFolder home;
  FakeRunner runner;  // no mutagen, nothing
  runner.on_interactive_any("osascript", [](const FakeCall&) -> Result<bool> { return false; });
  runner.on_any("osascript", [](const FakeCall&) -> Result<ToolOutput> { return failed_output("User canceled."); });
  std::ostringstream out;
  ASSERT_TRUE(disconnect_laptop(runner, home.path(), OsKind::MacOs, ElevationMethod::Osascript, out));
  EXPECT_EQ(out.str(), kDisconnected);
  EXPECT_EQ(runner.calls().back().program, "osascript");
  EXPECT_NE(runner.calls().back().args[1].find("/etc/resolver/pelk.test"), std::string::npos);
  // A missing SSH config stays missing.
  EXPECT_FALSE(fs::exists(home / ".ssh/config"));
}

TEST(Disconnect, StopsWhenTheElevationCannotStart) {
  TempFolder home;
  FakeRunner runner;
  write_text(home / ".ssh/config", "# >>> pelk >>>\nHost pelk\n# <<< pelk <<<\n");
  write_text(state_dir(home.path()) / "laptop.json", "{}");
  std::ostringstream out;
  auto result = disconnect_laptop(runner, home.path(), OsKind::Linux, ElevationMethod::Sudo, out);
  ASSERT_FALSE(result);  // sudo is not there: run_interactive cannot start it
  EXPECT_TRUE(result.error().is_io());
  EXPECT_TRUE(out.str().empty());
  EXPECT_TRUE(fs::exists(state_dir(home.path()) / "laptop.json"));
  EXPECT_NE(read_text(home / ".ssh/config").find("Host pelk"), std::string::npos);
}
