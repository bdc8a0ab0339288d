#include "tailnet/tailscale_status.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "support/fake_runner.h"

namespace {

const std::vector<std::string> kStatusArgs = {"status", "--json"};
const std::string kMacTool = "/Applications/Tailscale.app/Contents/MacOS/Tailscale";
const std::string kWindowsTool = "C:\\Program Files\\Tailscale\\tailscale.exe";
const std::string kReport = R"({"BackendState":"Running"})";

// What a report came to, as one comparable line.
std::string outcome(const TailscaleReport& report) {
  if (std::holds_alternative<TailscaleNotInstalled>(report)) return "not installed";
  if (auto* unreadable = std::get_if<TailscaleUnreadable>(&report)) return unreadable->message;
  return "status " + std::get<Status>(report).backend_state;
}

}  // namespace

TEST(TailscaleStatus, ReadsKnownMembersAndSkipsTheRest) {
  auto status = parse_tailscale_status(R"({
    "Version": "1.60", "Self": {"HostName": "laptop", "Online": true},
    "BackendState": "Running",
    "Peer": {
      "nodekey:b": {"HostName": "DevBox-2", "DNSName": "devbox.tail.ts.net.", "TailscaleIPs": ["100.64.0.7", "fd7a::7"],
                    "Online": true, "Tags": ["x"], "Relay": {"a": [1, null]}},
      "nodekey:a": {},
      "nodekey:b": {"HostName": "later"}
    }
  }  )" "\r\n\t");
  ASSERT_TRUE(status) << status.error();
  EXPECT_EQ(status->backend_state, "Running");
  ASSERT_EQ(status->peers.size(), 2u);
  const Peer& defaulted = status->peers.at("nodekey:a");
  EXPECT_EQ(defaulted.host_name, "");
  EXPECT_EQ(defaulted.dns_name, "");
  EXPECT_TRUE(defaulted.tailscale_ips.empty());
  EXPECT_FALSE(defaulted.online);
  // Of two peers under one key the later is kept, whole.
  const Peer& later = status->peers.at("nodekey:b");
  EXPECT_EQ(later.host_name, "later");
  EXPECT_EQ(later.dns_name, "");
  EXPECT_FALSE(later.online);
}

TEST(TailscaleStatus, AbsentOrNullPeerMeansNoPeers) {
  for (const char* text : {R"({"BackendState":"Stopped"})", R"({"Peer":null,"BackendState":"Stopped"})",
                           R"({"Peer":{},"BackendState":"Stopped"})"}) {
    auto status = parse_tailscale_status(text);
    ASSERT_TRUE(status) << text << ": " << status.error();
    EXPECT_TRUE(status->peers.empty()) << text;
  }
}

TEST(TailscaleStatus, MalformedReportsAreFaults) {
  struct Case {
    std::string text;
    std::string fault;
  };
  const Case cases[] = {
      {"{}", "missing field `BackendState` at line 1 column 2"},
      {R"({"BackendState":"Running","BackendState":"Stopped"})", "duplicate field `BackendState`"},
      {R"({"BackendState":"Running","Peer":{},"Peer":{}})", "duplicate field `Peer`"},
      {R"({"BackendState":"Running","Peer":{"k":{"Online":true,"Online":false}}})", "duplicate field `Online`"},
      {R"({"BackendState":7})", "invalid type: integer `7`, expected a string"},
      {R"({"BackendState":"Running","Peer":[]})", "invalid type: sequence, expected a map"},
      {R"({"BackendState":"Running","Peer":{"k":{"Online":"yes"}}})", "invalid type: string \"yes\", expected a boolean"},
      {R"({"BackendState":"Running","Peer":{"k":{"TailscaleIPs":["1.2.3.4",5]}}})", "invalid type: integer `5`, expected a string"},
      {R"({"BackendState":"Running","Peer":{"k":{"HostName":null}}})", "invalid type: null, expected a string"},
      {R"({"BackendState":"Running","Peer":{"k":[]}})", "invalid type: sequence, expected struct Peer"},
      {R"([])", "invalid type: sequence, expected struct Status"},
      {R"({"BackendState":"Running"} {})", "at line 1 column"},
      {R"({"BackendState":"Running"}x)", "at line 1 column"},
      {"", "at line 1 column"},
      {"not json", "at line 1 column"},
  };
  for (const auto& c : cases) {
    auto status = parse_tailscale_status(c.text);
    ASSERT_FALSE(status) << c.text;
    EXPECT_NE(status.error().find(c.fault), std::string::npos) << c.text << " gave: " << status.error();
  }
}

TEST(TailscaleStatus, RunOutcomesPerPlatform) {
  struct Case {
    const char* name;
    OsKind os;
    std::function<void(FakeRunner&)> script;
    std::string outcome;
    std::vector<std::string> calls;
  };
  const std::string path_run = "tailscale status --json";
  const Case cases[] = {
      {"linux report", OsKind::Linux, [&](FakeRunner& r) { r.on("tailscale", kStatusArgs, ok_output(kReport)); },
       "status Running", {path_run}},
      {"linux missing", OsKind::Linux, [](FakeRunner&) {}, "not installed", {path_run}},
      {"linux cannot start", OsKind::Linux, [](FakeRunner& r) { r.fail_start("tailscale", EACCES); }, "not installed",
       {path_run}},
      {"linux failing run with empty output", OsKind::Linux,
       [](FakeRunner& r) { r.on("tailscale", kStatusArgs, failed_output("daemon not running")); }, "not installed",
       {path_run}},
      {"linux failing run with a report is read", OsKind::Linux,
       [](FakeRunner& r) { r.on("tailscale", kStatusArgs, failed_output("", R"({"BackendState":"NeedsLogin"})")); },
       "status NeedsLogin", {path_run}},
      {"linux failing run with garbage", OsKind::Linux,
       [](FakeRunner& r) { r.on("tailscale", kStatusArgs, failed_output("", "oops")); },
       "cannot read 'tailscale status': ", {path_run}},
      {"mac on path", OsKind::MacOs, [&](FakeRunner& r) { r.on("tailscale", kStatusArgs, ok_output(kReport)); },
       "status Running", {path_run}},
      {"mac app fallback", OsKind::MacOs, [&](FakeRunner& r) { r.on(kMacTool, kStatusArgs, ok_output(kReport)); },
       "status Running", {path_run, kMacTool + " status --json"}},
      {"mac neither", OsKind::MacOs, [](FakeRunner&) {}, "not installed", {path_run, kMacTool + " status --json"}},
      {"windows failing path tool is replaced even with a report", OsKind::Windows,
       [&](FakeRunner& r) {
         r.on("tailscale", kStatusArgs, failed_output("", R"({"BackendState":"Stopped"})"));
         r.on(kWindowsTool, kStatusArgs, ok_output(kReport));
       },
       "status Running", {path_run, kWindowsTool + " status --json"}},
      {"windows start failure then fixed path fails empty", OsKind::Windows,
       [](FakeRunner& r) {
         r.on("tailscale", kStatusArgs, [](const FakeCall&) -> Result<ToolOutput> { return fail(CommandError::io_errno(EPERM)); });
         r.on(kWindowsTool, kStatusArgs, failed_output("boom"));
       },
       "not installed", {path_run, kWindowsTool + " status --json"}},
  };
  for (const auto& c : cases) {
    FakeRunner runner;
    c.script(runner);
    std::string got = outcome(tailscale_status(runner, c.os));
    EXPECT_TRUE(got.starts_with(c.outcome)) << c.name << " gave: " << got;
    EXPECT_EQ(runner.call_lines(), c.calls) << c.name;
  }
}
