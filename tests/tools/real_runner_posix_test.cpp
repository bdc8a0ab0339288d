#include "tools/real_runner.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "state/text.h"
#include "support/deadline.h"
#include "support/temp_folder.h"
#include "tools/script_quote.h"

TEST(RealRunner, MissingProgramIsAFailedRunNotAnError) {
  RealRunner runner;
  for (const std::string program : {"pelk-no-such-program", "/no/such/folder/tool"}) {
    auto run = runner.run_capture(program, {}, std::nullopt);
    ASSERT_TRUE(run) << run.error().display();
    EXPECT_FALSE(run->success);
    EXPECT_EQ(run->std_out, "");
    EXPECT_EQ(run->std_err, program + ": not found");
  }
  // Found but not startable: an error of its own.
  auto folder = runner.run_capture("/", {}, std::nullopt);
  ASSERT_FALSE(folder);
  EXPECT_TRUE(folder.error().is_io());
}

TEST(RealRunner, PassesArgumentsAndInputAndDecodesOutput) {
  struct Row {
    std::vector<std::string> args;
    std::optional<std::string> input;
    ToolOutput expected;
  };
  const std::vector<Row> rows = {
      // Without input the child reads the null device: end of input at once.
      {{"-c", "cat; echo done"}, std::nullopt, {"done\n", "", true}},
      {{"-c", "cat"}, std::string("line one\nline two"), {"line one\nline two", "", true}},
      {{"-c", "cat"}, std::string(), {"", "", true}},
      // Each argument reaches the child whole, spaces and quotes included.
      {{"-c", "printf '[%s]' \"$@\"", "sh", "a b", "'q'", ""}, std::nullopt, {"[a b]['q'][]", "", true}},
      {{"-c", "printf '\\377ab\\300'; printf '\\342\\202' >&2"}, std::nullopt,
       {"\xef\xbf\xbd" "ab\xef\xbf\xbd", "\xef\xbf\xbd", true}},
      {{"-c", "echo out; echo err >&2; exit 1"}, std::nullopt, {"out\n", "err\n", false}},
      {{"-c", "kill -9 $$"}, std::nullopt, {"", "", false}},
  };
  RealRunner runner;
  for (const auto& row : rows) {
    auto run = runner.run_capture("sh", row.args, row.input);
    ASSERT_TRUE(run) << row.args[1] << ": " << run.error().display();
    EXPECT_EQ(run->std_out, row.expected.std_out) << row.args[1];
    EXPECT_EQ(run->std_err, row.expected.std_err) << row.args[1];
    EXPECT_EQ(run->success, row.expected.success) << row.args[1];
  }
}

namespace {

// The bytes as a printf format of octal escapes, so sh prints them exactly.
std::string printf_format(std::string_view bytes) {
  std::string format;
  for (unsigned char c : bytes) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\%03o", c);
    format += escape;
  }
  return format;
}

}  // namespace

TEST(RealRunner, EachInvalidSequenceBecomesOneReplacementCharacter) {
  const std::string r = "\xef\xbf\xbd";  // U+FFFD
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"plain ascii", "plain ascii"},
      {std::string("nul\0inside", 11), std::string("nul\0inside", 11)},
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},
      {"\xff", r},
      {"\x80\x80", r + r},
      {"\xc3", r},
      {"\xc3(", r + "("},
      {"\xe2\x82", r},
      {"\xe2\x82x", r + "x"},
      {"\xf0\x9f\x98", r},
      {"\xc0\x80", r + r},                  // overlong
      {"\xed\xa0\x80", r + r + r},         // a surrogate
      {"\xf4\x90\x80\x80", r + r + r + r},  // past U+10FFFF
      {"abcdefghij\xffklmnopqrstuvwxyz0123", "abcdefghij" + r + "klmnopqrstuvwxyz0123"},
      {"abcdefg\xc3\xa9hijklmnop\xe2\x82", "abcdefg\xc3\xa9hijklmnop" + r},
  };
  RealRunner runner;
  for (const auto& [bytes, decoded] : rows) {
    auto run = runner.run_capture("sh", {"-c", "printf \"$0\"", printf_format(bytes)}, std::nullopt);
    ASSERT_TRUE(run);
    EXPECT_EQ(run->std_out, decoded) << printf_format(bytes);
  }
}

TEST(RealRunner, LargeOutputsOnBothStreamsAndLargeInputDoNotBlock) {
  RealRunner runner;
  // Standard error fills first, so reading standard output to its end before
  // looking at standard error would hang. Past 4 MiB the buffers grow by the
  // runner's own steps.
  auto both = runner.run_capture(
      "sh", {"-c", "head -c 9000000 /dev/zero | tr '\\0' e >&2; head -c 2000000 /dev/zero | tr '\\0' o"},
      std::nullopt);
  ASSERT_TRUE(both) << both.error().display();
  EXPECT_TRUE(both->success);
  EXPECT_TRUE(both->std_out == std::string(2000000, 'o'));
  EXPECT_TRUE(both->std_err == std::string(9000000, 'e'));

  // cat answers while it reads, so input must be written while output is read.
  std::string input(12 << 20, 'x');
  for (size_t i = 0; i < input.size(); i += 4093) input[i] = static_cast<char>('a' + i % 26);
  auto echoed = runner.run_capture("cat", {}, input);
  ASSERT_TRUE(echoed) << echoed.error().display();
  EXPECT_EQ(echoed->std_out.size(), input.size());
  EXPECT_TRUE(echoed->std_out == input);
}

TEST(RealRunner, ChildThatExitsWithoutReadingItsInputGivesAnError) {
  RealRunner runner;
  auto run = runner.run_capture("sh", {"-c", "echo bye"}, std::string(8 << 20, 'x'));
  ASSERT_FALSE(run);
  EXPECT_TRUE(run.error().is_io());
  EXPECT_EQ(run.error().code(), std::error_code(EPIPE, std::system_category()));
  // pelk is still alive and the runner still works.
  auto next = runner.run_capture("sh", {"-c", "echo ok"}, std::nullopt);
  ASSERT_TRUE(next);
  EXPECT_EQ(next->std_out, "ok\n");
}

TEST(RealRunner, ChildrenGetTheDefaultBrokenPipeBehaviour) {
  RealRunner runner;  // pelk itself ignores SIGPIPE
  auto run = runner.run_capture("sh", {"-c", "yes | head -n 2"}, std::nullopt);
  ASSERT_TRUE(run);
  EXPECT_EQ(run->std_out, "y\ny\n");
  EXPECT_EQ(run->std_err, "");
}

TEST(RealRunner, InteractiveRunGivesSuccessOrAStartError) {
  RealRunner runner;
  EXPECT_EQ(runner.run_interactive("sh", {"-c", "exit 0"}), true);
  EXPECT_EQ(runner.run_interactive("sh", {"-c", "exit 3"}), false);
  auto missing = runner.run_interactive("pelk-no-such-program", {});
  ASSERT_FALSE(missing);
  EXPECT_TRUE(missing.error().is_io());
  EXPECT_EQ(missing.error().code(), std::error_code(ENOENT, std::system_category()));
}

TEST(RealRunner, LooksUpHostNames) {
  RealRunner runner;
  auto loopback = runner.lookup_host("localhost");
  ASSERT_FALSE(loopback.empty());
  for (const auto& address : loopback) EXPECT_TRUE(address == "127.0.0.1" || address == "::1") << address;
  EXPECT_NE(std::find(loopback.begin(), loopback.end(), "127.0.0.1"), loopback.end());
  EXPECT_EQ(runner.lookup_host("127.0.0.1"), std::vector<std::string>{"127.0.0.1"});
  // An empty label cannot be asked of any server: it fails here, offline.
  EXPECT_TRUE(runner.lookup_host("no-such-host..invalid").empty());
}

TEST(RealRunner, SystemPathsLieUnderTheRoot) {
  RealRunner runner;
  EXPECT_EQ(runner.fs_root(), std::filesystem::path("/"));
  for (const char* given : {"/etc/resolv.conf", "etc/resolv.conf", "//etc/resolv.conf"}) {
    EXPECT_EQ(runner.system_path(given), std::filesystem::path("/etc/resolv.conf")) << given;
  }
}

TEST(RealRunner, HasCommandAsksTheShell) {
  RealRunner runner;
  EXPECT_TRUE(has_command(runner, "sh"));
  EXPECT_TRUE(has_command(runner, "cat"));
  EXPECT_FALSE(has_command(runner, "pelk-no-such-program"));
}

namespace {

// Ends the processes whose ids a test's children wrote into `file`, one a line.
void end_processes_listed_in(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return;
  const std::string listed = read_text(file);
  for (std::string_view line : split_lines(listed)) {
    if (!line.empty()) ::kill(static_cast<pid_t>(std::stol(std::string(line))), SIGKILL);
  }
}

}  // namespace

// A clipboard writer such as xclip leaves a child behind that serves the
// selection with the outputs it inherited; the run must end with the writer.
TEST(RealRunner, DiscardedRunEndsWithTheProgramNotWithWhatItLeavesBehind) {
  TempFolder folder;
  const std::string pids = (folder / "pids").string();
  const std::string got = (folder / "got").string();
  // The child left behind writes to both outputs now and then, as long as it lives.
  const std::string leave_child = "(while :; do echo still here; echo >&2 still here; sleep 1; done) & echo $! >> " +
                                  shell_quote(pids) + "; ";
  struct Row {
    std::string script;
    std::optional<std::string> input;
    bool expected;
  };
  const std::vector<Row> rows = {
      {leave_child + "cat > " + shell_quote(got), std::string("/home/dev/Share/a.txt"), true},
      {leave_child + "exit 0", std::nullopt, true},
      {leave_child + "exit 3", std::nullopt, false},
      {"echo out; echo err >&2; cat > " + shell_quote(got), std::string(3 << 20, 'p'), true},
  };
  RealRunner runner;
  for (const auto& row : rows) {
    std::filesystem::remove(got);
    {
      Deadline deadline("a discarded run of: " + row.script.substr(0, 80));
      auto run = runner.run_discarding_output("sh", {"-c", row.script}, row.input);
      ASSERT_TRUE(run) << run.error().display();
      EXPECT_EQ(*run, row.expected) << row.script;
    }
    if (row.input) {
      EXPECT_TRUE(read_text(got) == *row.input) << row.script;
    }
  }
  end_processes_listed_in(pids);

  EXPECT_EQ(runner.run_discarding_output("pelk-no-such-program", {}, std::string("x")), false);
  auto folder_run = runner.run_discarding_output("/", {}, std::nullopt);
  ASSERT_FALSE(folder_run);
  EXPECT_TRUE(folder_run.error().is_io());
}

// A child that ends without reading its input, while one it left behind holds
// the input pipe unread, cannot keep pelk writing into it either.
TEST(RealRunner, DiscardedRunStopsWritingInputWhenTheProgramHasEnded) {
  TempFolder folder;
  const std::string pids = (folder / "pids").string();
  RealRunner runner;
  {
    Deadline deadline("a discarded run whose left-behind child holds its input");
    auto run = runner.run_discarding_output(
        "sh", {"-c", "exec 3<&0; sleep 600 <&3 & echo $! > " + shell_quote(pids) + "; exit 0"}, std::string(8 << 20, 'x'));
    ASSERT_FALSE(run);
    EXPECT_EQ(run.error().code(), std::error_code(EPIPE, std::system_category()));
  }
  end_processes_listed_in(pids);
}

// The server's rules and certificate come from a run with a bound: a server
// that sends without end is stopped, and what came counts as invalid.
TEST(RealRunner, BoundedCaptureStopsAChildPastItsLimit) {
  const size_t limit = 1 << 20;
  struct Row {
    std::string script;
    size_t out_size;
    size_t err_size;
    bool success;
    bool over_limit;
  };
  const std::vector<Row> rows = {
      {"yes", limit, 0, false, true},
      {"yes >&2", 0, limit, false, true},
      {"cat /dev/zero", limit, 0, false, true},
      // Up to the limit the run is an ordinary one.
      {"head -c 1048576 /dev/zero", limit, 0, true, false},
      {"head -c 1048577 /dev/zero; exit 0", limit, 0, false, true},
      {"head -c 1000 /dev/zero >&2; exit 4", 0, 1000, false, false},
  };
  RealRunner runner;
  for (const auto& row : rows) {
    Deadline deadline("a bounded run of: " + row.script);
    auto run = runner.run_capture_bounded("sh", {"-c", row.script}, std::nullopt, limit);
    ASSERT_TRUE(run) << run.error().display();
    EXPECT_EQ(run->std_out.size(), row.out_size) << row.script;
    EXPECT_EQ(run->std_err.size(), row.err_size) << row.script;
    EXPECT_EQ(run->success, row.success) << row.script;
    EXPECT_EQ(run->over_limit, row.over_limit) << row.script;
  }
}
