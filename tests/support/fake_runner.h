// The scripted runner that unit tests drive commands through. Each program +
// argument list gets a scripted answer; every call is recorded, so a test can
// assert the exact runs in their order. A call nobody scripted behaves like a
// program that is not installed.
#pragma once

#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/tool_runner.h"

struct FakeCall {
  std::string program;
  std::vector<std::string> args;
  std::optional<std::string> input;
  bool interactive = false;
  bool discarded = false;                   // run_discarding_output
  std::optional<std::size_t> output_limit = std::nullopt;  // run_capture_bounded's limit

  // "program arg1 arg2", for readable failure output (how the outputs were
  // taken is in the fields above).
  std::string line() const;
  bool operator==(const FakeCall&) const = default;
};

class FakeRunner final : public ToolRunner {
 public:
  using Handler = std::function<Result<ToolOutput>(const FakeCall&)>;

  explicit FakeRunner(std::filesystem::path root = "/") : root_(std::move(root)) {}

  // Answers for one exact program + arguments. Several answers for the same
  // call are given in turn; the last one stays for every later call.
  FakeRunner& on(const std::string& program, const std::vector<std::string>& args, ToolOutput output);
  FakeRunner& on(const std::string& program, const std::vector<std::string>& args, Handler handler);
  // The answer for every call of a program that has no exact answer.
  FakeRunner& on_any(const std::string& program, Handler handler);
  // The program fails to start with this error.
  FakeRunner& fail_start(const std::string& program, int error_number);

  // Result of run_interactive for one exact call (default: not found, an I/O error).
  FakeRunner& on_interactive(const std::string& program, const std::vector<std::string>& args, Result<bool> result);
  // Result of run_interactive for every call of a program without an exact answer.
  FakeRunner& on_interactive_any(const std::string& program, std::function<Result<bool>(const FakeCall&)> handler);

  FakeRunner& host(const std::string& name, std::vector<std::string> addresses);

  Result<ToolOutput> run_capture(const std::string& program, const std::vector<std::string>& args,
                                 const std::optional<std::string>& input) override;
  // The scripted answer, cut at the limit as the real runner cuts a child
  // that sends more.
  Result<ToolOutput> run_capture_bounded(const std::string& program, const std::vector<std::string>& args,
                                         const std::optional<std::string>& input, std::size_t limit) override;
  // The scripted answer's success; its outputs go nowhere.
  Result<bool> run_discarding_output(const std::string& program, const std::vector<std::string>& args,
                                     const std::optional<std::string>& input) override;
  Result<bool> run_interactive(const std::string& program, const std::vector<std::string>& args) override;
  std::filesystem::path fs_root() const override { return root_; }
  std::vector<std::string> lookup_host(const std::string& name) override;

  const std::vector<FakeCall>& calls() const { return calls_; }
  // The recorded calls as lines, for comparing a whole transcript at once.
  std::vector<std::string> call_lines() const;
  void clear_calls() { calls_.clear(); }

 private:
  Result<ToolOutput> answer(const FakeCall& call);

  using Key = std::pair<std::string, std::vector<std::string>>;
  std::filesystem::path root_;
  std::map<Key, std::deque<Handler>> answers_;
  std::map<std::string, Handler> program_answers_;
  std::map<std::string, int> start_failures_;
  std::map<Key, Result<bool>> interactive_;
  std::map<std::string, std::function<Result<bool>(const FakeCall&)>> interactive_any_;
  std::map<std::string, std::vector<std::string>> hosts_;
  std::vector<FakeCall> calls_;
};

ToolOutput ok_output(std::string std_out = "", std::string std_err = "");
ToolOutput failed_output(std::string std_err = "", std::string std_out = "");
