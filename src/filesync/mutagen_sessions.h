// Every run of "mutagen" that pelk makes, and the fixed session names. The
// sessions live on in Mutagen's daemon; pelk only ever runs short commands.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "state/command_error.h"
#include "tools/tool_runner.h"

inline constexpr std::string_view kCodeSession = "pelk-code";
inline constexpr std::string_view kShareSession = "pelk-share";
inline constexpr std::string_view kShareOutSession = "pelk-share-out";
inline constexpr std::string_view kOldShotsSession = "pelk-shots";  // left by older versions

// pelk's own sessions; any other session belongs to the user and is never touched.
inline constexpr std::string_view kOwnSessions[] = {kCodeSession, kShareSession, kShareOutSession, kOldShotsSession};
bool is_own_session(std::string_view name);

inline constexpr std::string_view kTwoWayResolved = "two-way-resolved";
inline constexpr std::string_view kOneWayReplica = "one-way-replica";

// A Mutagen run that ran without success, with its trimmed standard error.
struct MutagenFailure {
  std::string error;
};

// Success, or the failed run; the outer Result carries a failure to start.
using MutagenRun = Result<std::optional<MutagenFailure>>;

bool mutagen_installed(ToolRunner& runner);
[[nodiscard]] Result<bool> session_exists(ToolRunner& runner, std::string_view name);
// The "sync list" text of one session, or none when Mutagen has no such session.
[[nodiscard]] Result<std::optional<std::string>> session_listing(ToolRunner& runner, std::string_view name);
std::optional<std::string> list_sessions(ToolRunner& runner);
[[nodiscard]] MutagenRun create_session(ToolRunner& runner, std::string_view name, std::string_view mode,
                          const std::vector<std::string>& options, const std::string& alpha, const std::string& beta);
[[nodiscard]] MutagenRun flush_session(ToolRunner& runner, std::string_view name);
[[nodiscard]] Result<void> terminate_session(ToolRunner& runner, std::string_view name);
[[nodiscard]] Result<void> stop_mutagen_daemon(ToolRunner& runner);

// Terminates pelk's own sessions in the order above, as disconnect and
// uninstall both do. Every outcome is ignored: a laptop without Mutagen or
// without the sessions simply goes on.
void terminate_own_sessions(ToolRunner& runner);

bool any_session_listed(std::string_view listing);

struct SessionEndpoint {
  std::optional<std::string> session;  // the "Name:" the endpoint was listed under
  std::string endpoint;

  bool operator==(const SessionEndpoint&) const = default;
};
std::vector<SessionEndpoint> session_endpoints(std::string_view listing);

// The first endpoint (alpha) listed under the session's name, if any.
std::optional<std::string> alpha_endpoint(std::string_view listing, std::string_view session);
