#include "cli/elevation_choice.h"

#include <gtest/gtest.h>

#include "support/fake_runner.h"

TEST(ElevationChoice, FollowsThePlatformAndOnLinuxWhatIsInstalled) {
  struct Row {
    OsKind os;
    bool sudo;
    bool pkexec;
    ElevationMethod expected;
    std::vector<std::string> probes;
  };
  const std::vector<std::string> sudo_probe = {"sh -c command -v sudo"};
  const std::vector<std::string> both_probes = {"sh -c command -v sudo", "sh -c command -v pkexec"};
  const std::vector<Row> rows = {
      {OsKind::MacOs, true, true, ElevationMethod::Osascript, {}},
      {OsKind::Windows, false, false, ElevationMethod::PowerShellRunAs, {}},
      {OsKind::Linux, true, true, ElevationMethod::Sudo, sudo_probe},
      {OsKind::Linux, false, true, ElevationMethod::Pkexec, both_probes},
      {OsKind::Linux, false, false, ElevationMethod::Sudo, both_probes},
  };
  for (const auto& row : rows) {
    FakeRunner runner;
    runner.on("sh", {"-c", "command -v sudo"}, row.sudo ? ok_output("/usr/bin/sudo\n") : failed_output());
    runner.on("sh", {"-c", "command -v pkexec"}, row.pkexec ? ok_output("/usr/bin/pkexec\n") : failed_output());
    EXPECT_EQ(choose_elevation_method(row.os, runner), row.expected);
    EXPECT_EQ(runner.call_lines(), row.probes);
  }
}
