#include "filesync/mutagen_sessions.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "support/fake_runner.h"

TEST(MutagenSessions, EachOperationRunsItsFixedArguments) {
  FakeRunner runner;
  runner.on_any("mutagen", [](const FakeCall&) -> Result<ToolOutput> { return ok_output("listing"); });
  EXPECT_TRUE(mutagen_installed(runner));
  EXPECT_EQ(session_exists(runner, kCodeSession).value(), true);
  EXPECT_EQ(list_sessions(runner), "listing");
  EXPECT_FALSE(create_session(runner, kShareSession, kOneWayReplica, {"--ignore", "*.tmp"}, "/home/ann/pelk-share",
                              "pelk:Share/ann")
                   .value());
  EXPECT_FALSE(create_session(runner, kCodeSession, kTwoWayResolved, {"--ignore=node_modules", "--ignore=/api"},
                              "/home/ann/Code", "pelk:Code")
                   .value());
  EXPECT_FALSE(flush_session(runner, kShareSession).value());
  EXPECT_TRUE(terminate_session(runner, kOldShotsSession));
  EXPECT_TRUE(stop_mutagen_daemon(runner));
  EXPECT_EQ(runner.call_lines(), (std::vector<std::string>{
                                     "mutagen version",
                                     "mutagen sync list pelk-code",
                                     "mutagen sync list",
                                     "mutagen sync create --name pelk-share --mode one-way-replica --ignore *.tmp "
                                     "/home/ann/pelk-share pelk:Share/ann",
                                     "mutagen sync create --name pelk-code --mode two-way-resolved "
                                     "--ignore=node_modules --ignore=/api /home/ann/Code pelk:Code",
                                     "mutagen sync flush pelk-share",
                                     "mutagen sync terminate pelk-shots",
                                     "mutagen daemon stop",
                                 }));
  // The options stay whole arguments: "--ignore" and its pattern are two.
  EXPECT_EQ(runner.calls()[3].args.size(), 10u);
  EXPECT_EQ(runner.calls()[4].args[6], "--ignore=node_modules");
}

TEST(MutagenSessions, AFailedRunAndAFailureToStartAreToldApart) {
  FakeRunner failing;
  failing.on_any("mutagen", [](const FakeCall&) -> Result<ToolOutput> {
    return failed_output("  Error: unable to connect to daemon\r\n");
  });
  EXPECT_FALSE(mutagen_installed(failing));
  EXPECT_EQ(session_exists(failing, kCodeSession).value(), false);
  EXPECT_EQ(list_sessions(failing), std::nullopt);
  auto created = create_session(failing, kCodeSession, kTwoWayResolved, {}, "/c", "pelk:Code");
  ASSERT_TRUE(created);
  ASSERT_TRUE(*created);
  EXPECT_EQ((*created)->error, "Error: unable to connect to daemon");
  auto flushed = flush_session(failing, kCodeSession);
  ASSERT_TRUE(flushed && *flushed);
  EXPECT_EQ((*flushed)->error, "Error: unable to connect to daemon");
  EXPECT_TRUE(terminate_session(failing, kCodeSession));
  EXPECT_TRUE(stop_mutagen_daemon(failing));

  FakeRunner missing;  // nothing scripted: "mutagen: not found"
  EXPECT_EQ(flush_session(missing, kCodeSession).value()->error, "mutagen: not found");

  FakeRunner refused;
  refused.fail_start("mutagen", EACCES);
  EXPECT_FALSE(mutagen_installed(refused));
  EXPECT_EQ(list_sessions(refused), std::nullopt);
  auto start_error = [](const auto& result) { return result ? std::nullopt : result.error().code(); };
  const auto permission_denied = CommandError::io_errno(EACCES).code();
  EXPECT_EQ(start_error(session_exists(refused, kCodeSession)), permission_denied);
  EXPECT_EQ(start_error(create_session(refused, kCodeSession, kTwoWayResolved, {}, "/c", "pelk:Code")),
            permission_denied);
  EXPECT_EQ(start_error(flush_session(refused, kCodeSession)), permission_denied);
  EXPECT_EQ(start_error(terminate_session(refused, kCodeSession)), permission_denied);
  EXPECT_EQ(start_error(stop_mutagen_daemon(refused)), permission_denied);
}

TEST(MutagenSessions, ListingReadings) {
  const std::string listing =
      "  URL: /orphan/before/any/name\r\n"
      "--------------------------------\r\n"
      "Name: pelk-code   \r\n"
      "Identifier: sync_abc\r\n"
      "Alpha:\r\n"
      "\tURL: /Users/ann/Code\r\n"
      "Beta:\r\n"
      "\tURL: pelk:Code\r\n"
      "Name: work\n"
      "\tURL: /Users/ann/work\n"
      "\tURL: build@ci:/srv/work\r";
  EXPECT_EQ(session_endpoints(listing), (std::vector<SessionEndpoint>{
                                            {std::nullopt, "/orphan/before/any/name"},
                                            {"pelk-code", "/Users/ann/Code"},
                                            {"pelk-code", "pelk:Code"},
                                            {"work", "/Users/ann/work"},
                                            {"work", "build@ci:/srv/work"},
                                        }));
  EXPECT_TRUE(any_session_listed(listing));
  EXPECT_TRUE(session_endpoints("").empty());
  EXPECT_FALSE(any_session_listed(""));
  EXPECT_FALSE(any_session_listed("No synchronization sessions found\n"));
}
