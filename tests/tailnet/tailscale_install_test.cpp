#include "tailnet/tailscale_install.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <optional>
#include <sstream>

#include "support/fake_runner.h"

namespace {

const std::vector<std::string> kProbe = {"-c", "command -v tailscale"};
const std::vector<std::string> kInstall = {"sh", "-c", "curl -fsSL https://tailscale.com/install.sh | sh"};
const std::vector<std::string> kUp = {"tailscale", "up"};
const std::string kProbeLine = "sh -c command -v tailscale";
const std::string kInstallLine = "[interactive] sudo sh -c curl -fsSL https://tailscale.com/install.sh | sh";
const std::string kUpLine = "[interactive] sudo tailscale up";
const std::string kInstalling = "  Installing Tailscale from its official repository (asks for your password)\n";
const std::string kSignIn = "  Sign in with the Tailscale account your server uses:\n";
const std::string kFailed = "installing Tailscale failed; install it from https://tailscale.com/download";

}  // namespace

TEST(TailscaleInstall, OtherPlatformsAndPresentToolDoNothing) {
  for (OsKind os : {OsKind::MacOs, OsKind::Windows}) {
    FakeRunner runner;
    std::ostringstream out;
    EXPECT_TRUE(install_tailscale(runner, os, ElevationMethod::Sudo, out));
    EXPECT_TRUE(runner.calls().empty());
    EXPECT_EQ(out.str(), "");
  }
  FakeRunner runner;
  runner.on("sh", kProbe, ok_output("/usr/bin/tailscale\n"));
  std::ostringstream out;
  EXPECT_TRUE(install_tailscale(runner, OsKind::Linux, ElevationMethod::Sudo, out));
  EXPECT_EQ(runner.call_lines(), std::vector<std::string>{kProbeLine});
  EXPECT_EQ(out.str(), "");
}

TEST(TailscaleInstall, InstallsThenSignsIn) {
  struct Case {
    const char* name;
    bool script_ok;
    bool found_after;
    Result<bool> sign_in;
    std::string error;  // empty: success
    std::vector<std::string> calls;
    std::string printed;
  };
  const Case cases[] = {
      {"installed and signed in", true, true, true, "", {kProbeLine, kInstallLine, kProbeLine, kUpLine},
       kInstalling + kSignIn},
      {"cancelled sign-in still succeeds", true, true, false, "", {kProbeLine, kInstallLine, kProbeLine, kUpLine},
       kInstalling + kSignIn},
      {"script refused", false, true, true, kFailed, {kProbeLine, kInstallLine}, kInstalling},
      {"script left no command", true, false, true, kFailed, {kProbeLine, kInstallLine, kProbeLine}, kInstalling},
      {"sudo vanished before sign-in", true, true, fail(CommandError::io_errno(ENOENT)),
       "No such file or directory (os error 2)", {kProbeLine, kInstallLine, kProbeLine, kUpLine}, kInstalling + kSignIn},
  };
  for (const auto& c : cases) {
    FakeRunner runner;
    runner.on("sh", kProbe, failed_output());
    runner.on("sh", kProbe, c.found_after ? ok_output("/usr/bin/tailscale\n") : failed_output());
    runner.on_interactive("sudo", kInstall, c.script_ok);
    runner.on_interactive("sudo", kUp, c.sign_in);
    std::ostringstream out;
    auto result = install_tailscale(runner, OsKind::Linux, ElevationMethod::Sudo, out);
    if (c.error.empty()) {
      EXPECT_TRUE(result) << c.name << ": " << result.error().display();
    } else {
      ASSERT_FALSE(result) << c.name;
      EXPECT_EQ(result.error().display(), c.error) << c.name;
    }
    EXPECT_EQ(runner.call_lines(), c.calls) << c.name;
    EXPECT_EQ(out.str(), c.printed) << c.name;
  }
}

TEST(TailscaleInstall, UsesTheChosenElevationOrSaysToInstallByHand) {
  const std::string by_hand =
      "Tailscale is not installed, and pelk finds neither sudo nor pkexec to install it with; install it from "
      "https://tailscale.com/download and run pelk laptop connect again";
  struct Case {
    const char* name;
    ElevationMethod elevation;
    std::optional<int> start_error;  // the elevating program cannot start
    std::string error;               // empty: success
    std::vector<std::string> calls;
  };
  const std::string pkexec_install = "[interactive] pkexec sh -c curl -fsSL https://tailscale.com/install.sh | sh";
  const Case cases[] = {
      {"pkexec where there is no sudo", ElevationMethod::Pkexec, std::nullopt, "",
       {kProbeLine, pkexec_install, kProbeLine, "[interactive] pkexec tailscale up"}},
      {"neither sudo nor pkexec", ElevationMethod::Sudo, ENOENT, by_hand, {kProbeLine, kInstallLine}},
      {"sudo that cannot start for another reason", ElevationMethod::Sudo, EACCES,
       "Permission denied (os error 13)", {kProbeLine, kInstallLine}},
      {"a method that is not Linux's", ElevationMethod::Osascript, std::nullopt, by_hand, {kProbeLine}},
  };
  for (const auto& c : cases) {
    FakeRunner runner;
    runner.on("sh", kProbe, failed_output());
    runner.on("sh", kProbe, ok_output("/usr/bin/tailscale\n"));
    if (c.start_error) {
      runner.fail_start("sudo", *c.start_error);
    } else {
      runner.on_interactive_any("pkexec", [](const FakeCall&) -> Result<bool> { return true; });
    }
    std::ostringstream out;
    auto result = install_tailscale(runner, OsKind::Linux, c.elevation, out);
    if (c.error.empty()) {
      EXPECT_TRUE(result) << c.name << ": " << result.error().display();
    } else {
      ASSERT_FALSE(result) << c.name;
      EXPECT_EQ(result.error().display(), c.error) << c.name;
    }
    EXPECT_EQ(runner.call_lines(), c.calls) << c.name;
  }
}
