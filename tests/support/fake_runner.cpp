#include "support/fake_runner.h"

#include <algorithm>
#include <cerrno>

std::string FakeCall::line() const {
  std::string text = program;
  for (const auto& arg : args) text += " " + arg;
  if (interactive) text = "[interactive] " + text;
  return text;
}

FakeRunner& FakeRunner::on(const std::string& program, const std::vector<std::string>& args, ToolOutput output) {
  return on(program, args, [output](const FakeCall&) -> Result<ToolOutput> { return output; });
}

FakeRunner& FakeRunner::on(const std::string& program, const std::vector<std::string>& args, Handler handler) {
  answers_[{program, args}].push_back(std::move(handler));
  return *this;
}

FakeRunner& FakeRunner::on_any(const std::string& program, Handler handler) {
  program_answers_[program] = std::move(handler);
  return *this;
}

FakeRunner& FakeRunner::fail_start(const std::string& program, int error_number) {
  start_failures_[program] = error_number;
  return *this;
}

FakeRunner& FakeRunner::on_interactive(const std::string& program, const std::vector<std::string>& args,
                                       Result<bool> result) {
  interactive_.insert_or_assign(Key{program, args}, std::move(result));
  return *this;
}

FakeRunner& FakeRunner::on_interactive_any(const std::string& program,
                                           std::function<Result<bool>(const FakeCall&)> handler) {
  interactive_any_[program] = std::move(handler);
  return *this;
}

FakeRunner& FakeRunner::host(const std::string& name, std::vector<std::string> addresses) {
  hosts_[name] = std::move(addresses);
  return *this;
}

Result<ToolOutput> FakeRunner::run_capture(const std::string& program, const std::vector<std::string>& args,
                                           const std::optional<std::string>& input) {
  FakeCall call{program, args, input, false};
  calls_.push_back(call);
  return answer(call);
}

Result<ToolOutput> FakeRunner::run_capture_bounded(const std::string& program, const std::vector<std::string>& args,
                                                   const std::optional<std::string>& input, std::size_t limit) {
  FakeCall call{program, args, input, false};
  call.output_limit = limit;
  calls_.push_back(call);
  auto output = answer(call);
  if (output && (output->std_out.size() > limit || output->std_err.size() > limit)) {
    output->std_out.resize(std::min(output->std_out.size(), limit));
    output->std_err.resize(std::min(output->std_err.size(), limit));
    output->success = false;
    output->over_limit = true;
  }
  return output;
}

Result<bool> FakeRunner::run_discarding_output(const std::string& program, const std::vector<std::string>& args,
                                               const std::optional<std::string>& input) {
  FakeCall call{program, args, input, false};
  call.discarded = true;
  calls_.push_back(call);
  PELK_TRY_ASSIGN(ToolOutput output, answer(call));
  return output.success;
}

Result<ToolOutput> FakeRunner::answer(const FakeCall& call) {
  const std::string& program = call.program;
  const std::vector<std::string>& args = call.args;
  if (auto failure = start_failures_.find(program); failure != start_failures_.end()) {
    return fail(CommandError::io_errno(failure->second));
  }
  if (auto found = answers_.find({program, args}); found != answers_.end()) {
    auto& queue = found->second;
    Handler handler = queue.front();
    if (queue.size() > 1) queue.pop_front();
    return handler(call);
  }
  if (auto any = program_answers_.find(program); any != program_answers_.end()) return any->second(call);
  return ToolOutput{"", program + ": not found", false};
}

Result<bool> FakeRunner::run_interactive(const std::string& program, const std::vector<std::string>& args) {
  calls_.push_back(FakeCall{program, args, std::nullopt, true});
  if (auto failure = start_failures_.find(program); failure != start_failures_.end()) {
    return fail(CommandError::io_errno(failure->second));
  }
  if (auto found = interactive_.find({program, args}); found != interactive_.end()) return found->second;
  if (auto any = interactive_any_.find(program); any != interactive_any_.end()) return any->second(calls_.back());
  return fail(CommandError::io_errno(ENOENT));
}

std::vector<std::string> FakeRunner::lookup_host(const std::string& name) {
  auto found = hosts_.find(name);
  return found == hosts_.end() ? std::vector<std::string>{} : found->second;
}

std::vector<std::string> FakeRunner::call_lines() const {
  std::vector<std::string> lines;
  for (const auto& call : calls_) lines.push_back(call.line());
  return lines;
}

ToolOutput ok_output(std::string std_out, std::string std_err) { return {std::move(std_out), std::move(std_err), true}; }
ToolOutput failed_output(std::string std_err, std::string std_out) {
  return {std::move(std_out), std::move(std_err), false};
}
