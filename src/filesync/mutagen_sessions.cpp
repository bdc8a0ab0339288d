#include "filesync/mutagen_sessions.h"

#include <algorithm>
#include <iterator>

#include "state/text.h"

namespace {

constexpr const char* kMutagen = "mutagen";

[[nodiscard]] Result<ToolOutput> mutagen(ToolRunner& runner, std::vector<std::string> args) {
  return runner.run_capture(kMutagen, args, std::nullopt);
}

[[nodiscard]] MutagenRun judged(Result<ToolOutput> run) {
  if (!run) return fail(run.error());
  if (run->success) return std::optional<MutagenFailure>();
  return std::optional<MutagenFailure>(MutagenFailure{std::string(trim(run->std_err))});
}

}  // namespace

bool is_own_session(std::string_view name) {
  return std::find(std::begin(kOwnSessions), std::end(kOwnSessions), name) != std::end(kOwnSessions);
}

bool mutagen_installed(ToolRunner& runner) {
  auto run = mutagen(runner, {"version"});
  return run && run->success;
}

Result<bool> session_exists(ToolRunner& runner, std::string_view name) {
  PELK_TRY_ASSIGN(auto listing, session_listing(runner, name));
  return listing.has_value();
}

Result<std::optional<std::string>> session_listing(ToolRunner& runner, std::string_view name) {
  PELK_TRY_ASSIGN(ToolOutput run, mutagen(runner, {"sync", "list", std::string(name)}));
  if (!run.success) return std::optional<std::string>();
  return std::optional<std::string>(std::move(run.std_out));
}

std::optional<std::string> list_sessions(ToolRunner& runner) {
  auto run = mutagen(runner, {"sync", "list"});
  if (!run || !run->success) return std::nullopt;
  return run->std_out;
}

MutagenRun create_session(ToolRunner& runner, std::string_view name, std::string_view mode,
                          const std::vector<std::string>& options, const std::string& alpha, const std::string& beta) {
  std::vector<std::string> args = {"sync", "create", "--name", std::string(name), "--mode", std::string(mode)};
  args.insert(args.end(), options.begin(), options.end());
  args.push_back(alpha);
  args.push_back(beta);
  return judged(mutagen(runner, std::move(args)));
}

MutagenRun flush_session(ToolRunner& runner, std::string_view name) {
  return judged(mutagen(runner, {"sync", "flush", std::string(name)}));
}

Result<void> terminate_session(ToolRunner& runner, std::string_view name) {
  PELK_TRY(mutagen(runner, {"sync", "terminate", std::string(name)}));
  return {};
}

Result<void> stop_mutagen_daemon(ToolRunner& runner) {
  PELK_TRY(mutagen(runner, {"daemon", "stop"}));
  return {};
}

void terminate_own_sessions(ToolRunner& runner) {
  for (auto name : kOwnSessions) (void)terminate_session(runner, name);
}

bool any_session_listed(std::string_view listing) { return listing.find("Name:") != std::string_view::npos; }

std::vector<SessionEndpoint> session_endpoints(std::string_view listing) {
  std::vector<SessionEndpoint> pairs;
  std::optional<std::string> current;
  for (std::string_view line : split_lines(listing)) {
    line = trim(line);
    if (line.size() >= 6 && line.starts_with("Name: ")) {
      current = std::string(line.substr(6));
    } else if (line.starts_with("URL: ")) {
      pairs.push_back({current, std::string(line.substr(5))});
    }
  }
  return pairs;
}

std::optional<std::string> alpha_endpoint(std::string_view listing, std::string_view session) {
  for (const auto& pair : session_endpoints(listing)) {
    if (pair.session == session) return pair.endpoint;
  }
  return std::nullopt;
}
