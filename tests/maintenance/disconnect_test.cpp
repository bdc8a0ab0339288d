#include "maintenance/disconnect.h"

#include <gtest/gtest.h>

#include "state/paths.h"
#include "support/fake_laptop.h"

namespace fs = std::filesystem;

namespace {
const char* kDisconnected = "Disconnected. Your files stay on both sides; the certificate stays trusted.\n";
const std::vector<std::string> kTerminates = {"mutagen sync terminate pelk-code", "mutagen sync terminate pelk-share",
                                              "mutagen sync terminate pelk-share-out",
                                              "mutagen sync terminate pelk-shots"};
}  // namespace

TEST(Disconnect, TakesTheConnectionDownAndKeepsFilesAndTrust) {
  FakeLaptop laptop;
  laptop.server.sessions = {{"pelk-code", {"/c", "pelk:Code"}}, {"pelk-share", {}}, {"work", {"/w", "box:/w"}}};
  laptop.server.install(laptop.runner);
  laptop.runner.on_interactive("sudo", {"sh", "-c", "rm -f /etc/systemd/resolved.conf.d/pelk.conf && (systemctl restart systemd-resolved || true)"}, true);
  write_text(laptop.home() / ".ssh/config", "# >>> pelk >>>\nHost pelk\n    HostName 1.2.3.4\n# <<< pelk <<<\n\nHost work\n");
  write_text(state_dir(laptop.home()) / "laptop.json", "{}");
  write_text(state_dir(laptop.home()) / "ca.pem", kTestCertificate);

  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    laptop.runner.clear_calls();
    laptop.out.str("");
    ASSERT_TRUE(disconnect_laptop(laptop.context(OsKind::Linux, ElevationMethod::Sudo)));
    EXPECT_EQ(laptop.printed(), kDisconnected);
    auto expected = kTerminates;
    expected.push_back(
        "[interactive] sudo sh -c rm -f /etc/systemd/resolved.conf.d/pelk.conf && (systemctl restart systemd-resolved "
        "|| true)");
    EXPECT_EQ(laptop.runner.call_lines(), expected);
    EXPECT_EQ(read_text(laptop.home() / ".ssh/config"), "Host work\n");
    EXPECT_FALSE(fs::exists(state_dir(laptop.home()) / "laptop.json"));
    EXPECT_TRUE(fs::exists(state_dir(laptop.home()) / "ca.pem"));
    EXPECT_EQ(laptop.server.sessions.size(), 1u);  // the user's own session stays
  }
}

TEST(Disconnect, NeverConnectedLaptopAndCancelledPromptStillComplete) {
  FakeLaptop laptop;  // no mutagen, nothing
  laptop.runner.on_interactive_any("osascript", [](const FakeCall&) -> Result<bool> { return false; });
  laptop.runner.on_any("osascript", [](const FakeCall&) -> Result<ToolOutput> { return failed_output("User canceled."); });
  ASSERT_TRUE(disconnect_laptop(laptop.context(OsKind::MacOs, ElevationMethod::Osascript)));
  EXPECT_EQ(laptop.printed(), kDisconnected);
  EXPECT_EQ(laptop.runner.calls().back().program, "osascript");
  EXPECT_NE(laptop.runner.calls().back().args[1].find("/etc/resolver/pelk.test"), std::string::npos);
  // A missing SSH config stays missing.
  EXPECT_FALSE(fs::exists(laptop.home() / ".ssh/config"));
}

TEST(Disconnect, StopsWhenTheElevationCannotStart) {
  FakeLaptop laptop;
  write_text(laptop.home() / ".ssh/config", "# >>> pelk >>>\nHost pelk\n# <<< pelk <<<\n");
  write_text(state_dir(laptop.home()) / "laptop.json", "{}");
  auto result = disconnect_laptop(laptop.context(OsKind::Linux, ElevationMethod::Sudo));
  ASSERT_FALSE(result);  // sudo is not there: run_interactive cannot start it
  EXPECT_TRUE(result.error().is_io());
  EXPECT_TRUE(laptop.printed().empty());
  EXPECT_TRUE(fs::exists(state_dir(laptop.home()) / "laptop.json"));
  EXPECT_NE(read_text(laptop.home() / ".ssh/config").find("Host pelk"), std::string::npos);
}
