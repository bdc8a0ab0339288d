#include "tools/elevation.h"

#include <gtest/gtest.h>

#include "support/fake_runner.h"

TEST(Elevation, ChoiceFollowsThePlatformAndOnLinuxWhatIsInstalled) {
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

TEST(Elevation, OsascriptStatementQuotesForShellThenAppleScript) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"a'b", "do shell script \"sh -c 'a'\\\\''b'\" with administrator privileges"},
      {"echo \"hi\"", "do shell script \"sh -c 'echo \\\"hi\\\"'\" with administrator privileges"},
      {"a\\b", "do shell script \"sh -c 'a\\\\b'\" with administrator privileges"},
      {"", "do shell script \"sh -c ''\" with administrator privileges"},
  };
  for (const auto& [script, statement] : rows) EXPECT_EQ(osascript_statement(script), statement) << script;
}

TEST(Elevation, EachMethodRunsItsProgramWithTheScript) {
  const std::string script = "set -e\necho 'it''s' \"$HOME\"\n";
  struct Row {
    ElevationMethod method;
    FakeCall expected;
  };
  const std::vector<Row> rows = {
      {ElevationMethod::Sudo, {"sudo", {"sh", "-c", script}, std::nullopt, true}},
      {ElevationMethod::Pkexec, {"pkexec", {"sh", "-c", script}, std::nullopt, true}},
      {ElevationMethod::Osascript, {"osascript", {"-e", osascript_statement(script)}, std::nullopt, false}},
      {ElevationMethod::PowerShellRunAs,
       {"powershell",
        {"-NoProfile", "-NonInteractive", "-Command", std::string(kPowerShellLauncher)},
        std::string(kPowerShellPrologue) + script + "\nexit 0\n",
        false}},
  };
  for (const auto& row : rows) {
    FakeRunner runner;
    runner.on_interactive(row.expected.program, row.expected.args, true);
    runner.on(row.expected.program, row.expected.args, ok_output());
    auto result = run_elevated(row.method, runner, script);
    ASSERT_TRUE(result) << row.expected.program;
    EXPECT_TRUE(*result);
    ASSERT_EQ(runner.calls().size(), 1u);
    EXPECT_EQ(runner.calls()[0], row.expected) << runner.calls()[0].line();
  }
}

TEST(Elevation, RefusalIsFalseAndAMissingProgramDependsOnTheMethod) {
  FakeRunner runner;
  runner.on_interactive("sudo", {"sh", "-c", "x"}, false);
  runner.on("osascript", {"-e", osascript_statement("x")}, failed_output("User canceled. (-128)"));
  EXPECT_EQ(run_elevated(ElevationMethod::Sudo, runner, "x"), false);
  EXPECT_EQ(run_elevated(ElevationMethod::Osascript, runner, "x"), false);

  FakeRunner bare;  // nothing installed
  EXPECT_FALSE(run_elevated(ElevationMethod::Pkexec, bare, "x"));  // interactive start failure: an error
  EXPECT_EQ(run_elevated(ElevationMethod::PowerShellRunAs, bare, "x"), false);

  FakeRunner broken;
  broken.fail_start("osascript", EACCES);
  auto failed = run_elevated(ElevationMethod::Osascript, broken, "x");
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.error().code(), CommandError::io_errno(EACCES).code());
}

TEST(Elevation, PowerShellTextsAreExact) {
  EXPECT_EQ(kPowerShellPrologue.size(), 126u);
  EXPECT_EQ(kPowerShellLauncher.size(), 369u);
  EXPECT_EQ(kPowerShellPrologue,
            "$ErrorActionPreference = 'Stop'\ntrap { Write-Host \"pelk: $_\" -ForegroundColor Red; "
            "Read-Host 'Press Enter to close'; exit 1 }\n");
  EXPECT_EQ(kPowerShellLauncher,
            "try { $s = (New-Object IO.StreamReader([Console]::OpenStandardInput(), [Text.Encoding]::UTF8)).ReadToEnd(); "
            "$e = [Convert]::ToBase64String([Text.Encoding]::Unicode.GetBytes($s)); $p = Start-Process powershell.exe "
            "-Verb RunAs -Wait -PassThru -ArgumentList '-NoProfile','-ExecutionPolicy','Bypass','-EncodedCommand',$e; "
            "exit $p.ExitCode } catch { Write-Error $_; exit 1 }");
  // A script without a final line end still gets "exit 0" on a line of its own;
  // non-ASCII text passes unchanged.
  EXPECT_EQ(powershell_elevated_input("Write-Host 'caf\xc3\xa9'"),
            std::string(kPowerShellPrologue) + "Write-Host 'caf\xc3\xa9'\nexit 0\n");
}
