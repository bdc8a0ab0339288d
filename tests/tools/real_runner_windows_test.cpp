#include "tools/real_runner.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "state/environment_windows.h"
#include "support/saved_variable_windows.h"
#include "state/wide_text_windows.h"
#include "tools/elevation.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

// The test child is built beside this test program.
fs::path child_path() {
  wchar_t self[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  return fs::path(std::wstring(self, n)).parent_path() / L"pelk_test_child.exe";
}

std::string child() { return narrow(child_path().native()); }

std::vector<std::string> with_mode(std::string mode, std::vector<std::string> rest) {
  rest.insert(rest.begin(), std::move(mode));
  return rest;
}


}  // namespace

TEST(WindowsRunner, ArgumentsReachTheChildByteForByte) {
  const std::vector<std::vector<std::string>> cases = {
      {"plain", "two words", "tab\there", "new\nline"},
      {"", "", "x", ""},
      {"say \"hi\"", "\"", "\"\"", "a\"b\"c"},
      {"trailing\\", "C:\\Program Files\\", "\\\\server\\share\\", "\\"},
      {"back\\\"quote", "two\\\\\"quotes", "end space\\ ", "\\\\\\\""},
      {"caf\xc3\xa9", "\xe2\x9c\x93 check", "\xf0\x9f\x98\x80 emoji", "\xd0\x9f\xd1\x80\xd0\xb8"},
  };
  RealRunner runner;
  for (const auto& args : cases) {
    auto run = runner.run_capture(child(), with_mode("args", args), std::nullopt);
    ASSERT_TRUE(run) << run.error().display();
    std::string expected;
    for (const auto& arg : args) expected += arg + '\0';
    EXPECT_EQ(run->std_out, expected);
    EXPECT_TRUE(run->success);
  }
}

// Wine has no real PowerShell, so what can be shown here is that the
// launcher and its script reach the program exactly as built.
TEST(WindowsRunner, PowerShellLauncherAndScriptArriveIntact) {
  RealRunner runner;
  const std::vector<std::string> args = {"-NoProfile", "-NonInteractive", "-Command", std::string(kPowerShellLauncher)};
  auto run = runner.run_capture(child(), with_mode("args", args), std::nullopt);
  ASSERT_TRUE(run) << run.error().display();
  std::string expected;
  for (const auto& arg : args) expected += arg + '\0';
  EXPECT_EQ(run->std_out, expected);

  std::string script = powershell_elevated_input("Add-DnsClientNrptRule -Namespace '.pelk.test' -Comment 'pelk'\n"
                                                 "Write-Host 'Zo\xc3\xab \xe2\x9c\x93 \"quoted\" \\'");
  auto piped = runner.run_capture(child(), {"cat"}, script);
  ASSERT_TRUE(piped) << piped.error().display();
  EXPECT_EQ(piped->std_out, script);
}

TEST(WindowsRunner, BothStreamsOfMegabytesComplete) {
  RealRunner runner;
  const size_t size = 3 * 1024 * 1024 + 17;
  auto run = runner.run_capture(child(), {"streams", std::to_string(size)}, std::nullopt);
  ASSERT_TRUE(run) << run.error().display();
  EXPECT_EQ(run->std_out, std::string(size, 'o'));
  EXPECT_EQ(run->std_err, std::string(size, 'e'));
  EXPECT_TRUE(run->success);
}

TEST(WindowsRunner, InputReachesTheChildWhileItAnswers) {
  RealRunner runner;
  std::string input;
  for (int i = 0; input.size() < 2 * 1024 * 1024; ++i) input += "line " + std::to_string(i) + "\r\n\0\x01"s;
  auto run = runner.run_capture(child(), {"cat"}, input);
  ASSERT_TRUE(run) << run.error().display();
  EXPECT_EQ(run->std_out, input);
  EXPECT_EQ(run->std_err, std::to_string(input.size()));

  auto empty = runner.run_capture(child(), {"cat"}, std::string());
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->std_err, "0");

  // Without input the child reads the null device and sees the end at once.
  auto none = runner.run_capture(child(), {"cat"}, std::nullopt);
  ASSERT_TRUE(none);
  EXPECT_EQ(none->std_out, "");
  EXPECT_EQ(none->std_err, "0");
}

TEST(WindowsRunner, ChildThatIgnoresItsInputGivesAnErrorNotAHang) {
  RealRunner runner;
  auto run = runner.run_capture(child(), {"exit", "0", "", ""}, std::string(8 * 1024 * 1024, 'x'));
  ASSERT_FALSE(run);
  EXPECT_TRUE(run.error().is_io());
  EXPECT_NE(run.error().display().find("(os error "), std::string::npos) << run.error().display();
}

TEST(WindowsRunner, ExitStatusAndOutputsComeBack) {
  struct Case {
    std::string status;
    bool success;
  };
  RealRunner runner;
  for (const Case& c : {Case{"0", true}, Case{"1", false}, Case{"3", false}, Case{"-1", false}}) {
    auto run = runner.run_capture(child(), {"exit", c.status, "to out", "to err"}, std::nullopt);
    ASSERT_TRUE(run) << run.error().display();
    EXPECT_EQ(run->std_out, "to out") << c.status;
    EXPECT_EQ(run->std_err, "to err") << c.status;
    EXPECT_EQ(run->success, c.success) << c.status;
  }
  auto raw = runner.run_capture(child(), {"raw"}, std::nullopt);
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->std_out, "ok \xef\xbf\xbd\xef\xbf\xbd end \xef\xbf\xbd");
}

TEST(WindowsRunner, MissingProgramIsNotFoundForCaptureAndAnErrorInteractively) {
  RealRunner runner;
  const std::vector<std::string> names = {"pelk-no-such-program", "C:\\pelk\\no\\such\\folder\\tool.exe",
                                          narrow((child_path().parent_path() / L"no-such-child").native())};
  for (const std::string& name : names) {
    auto run = runner.run_capture(name, {"x"}, std::nullopt);
    ASSERT_TRUE(run) << name << ": " << run.error().display();
    EXPECT_EQ(run->std_out, "");
    EXPECT_EQ(run->std_err, name + ": not found");
    EXPECT_FALSE(run->success);

    auto interactive = runner.run_interactive(name, {});
    ASSERT_FALSE(interactive) << name;
    EXPECT_TRUE(interactive.error().is_io());
  }
}

TEST(WindowsRunner, ProgramIsFoundOnPathWithTheExecutableSuffixAdded) {
  RealRunner runner;
  // A path without its ".exe" still starts the program.
  std::string without_suffix = narrow((child_path().parent_path() / L"pelk_test_child").native());
  auto by_path = runner.run_capture(without_suffix, {"args", "a"}, std::nullopt);
  ASSERT_TRUE(by_path) << by_path.error().display();
  EXPECT_EQ(by_path->std_out, std::string("a\0", 2));

  SavedVariable saved(L"PATH");
  SetEnvironmentVariableW(L"PATH", (L"C:\\pelk-no-such-folder;\"" + child_path().parent_path().native() + L"\"").c_str());
  auto by_name = runner.run_capture("pelk_test_child", {"env", "PATH"}, std::nullopt);
  ASSERT_TRUE(by_name) << by_name.error().display();
  EXPECT_TRUE(by_name->success) << by_name->std_err;
  // The child inherits the environment as pelk changed it.
  EXPECT_EQ(widen(by_name->std_out), *environment_variable(L"PATH"));
}

TEST(WindowsRunner, InteractiveRunGivesTheExitStatus) {
  RealRunner runner;
  auto ok = runner.run_interactive(child(), {"exit", "0", "", ""});
  ASSERT_TRUE(ok) << ok.error().display();
  EXPECT_TRUE(*ok);
  auto failed = runner.run_interactive(child(), {"exit", "2", "", ""});
  ASSERT_TRUE(failed) << failed.error().display();
  EXPECT_FALSE(*failed);
}

TEST(WindowsRunner, LookupHostGivesLoopbackAddressesAndNothingForBadNames) {
  RealRunner runner;
  auto local = runner.lookup_host("localhost");
  ASSERT_FALSE(local.empty());
  for (const auto& address : local) EXPECT_TRUE(address == "127.0.0.1" || address == "::1") << address;
  EXPECT_EQ(runner.lookup_host("127.0.0.1"), std::vector<std::string>{"127.0.0.1"});
  EXPECT_EQ(runner.lookup_host("::1"), std::vector<std::string>{"::1"});
  EXPECT_TRUE(runner.lookup_host("").empty());
}

TEST(WindowsRunner, BoundedRunStopsTheChildPastItsLimit) {
  RealRunner runner;
  const size_t limit = 1 << 20;
  auto over = runner.run_capture_bounded(child(), {"streams", std::to_string(64 * 1024 * 1024)}, std::nullopt, limit);
  ASSERT_TRUE(over) << over.error().display();
  EXPECT_TRUE(over->over_limit);
  EXPECT_FALSE(over->success);
  EXPECT_LE(over->std_out.size(), limit);
  EXPECT_LE(over->std_err.size(), limit);
  EXPECT_TRUE(over->std_out.size() == limit || over->std_err.size() == limit);

  auto within = runner.run_capture_bounded(child(), {"exit", "0", "to out", "to err"}, std::nullopt, limit);
  ASSERT_TRUE(within) << within.error().display();
  EXPECT_FALSE(within->over_limit);
  EXPECT_TRUE(within->success);
  EXPECT_EQ(within->std_out, "to out");
}

TEST(WindowsRunner, DiscardedRunGivesTheExitStatusAndReadsItsInput) {
  RealRunner runner;
  EXPECT_EQ(runner.run_discarding_output(child(), {"cat"}, std::string(3 * 1024 * 1024, 'x')), true);
  EXPECT_EQ(runner.run_discarding_output(child(), {"exit", "3", "out", "err"}, std::nullopt), false);
  EXPECT_EQ(runner.run_discarding_output("pelk-no-such-program", {}, std::string("x")), false);
}
