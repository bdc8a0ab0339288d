#include "filesync/other_sync_session.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "support/fake_runner.h"

namespace fs = std::filesystem;

TEST(OtherSyncSession, RefusesAFolderThatAnotherSessionSyncs) {
  auto refusal = [](const std::string& session) {
    return "/home/ann/Code is already synced by another file sync session ('" + session +
           "'). Syncing it with your pelk server too would copy everything between both machines.";
  };
  struct Case {
    std::string what;
    std::string listing;
    std::optional<std::string> message;
    std::string code_folder = "/home/ann/Code";
  };
  const Case cases[] = {
      {"the code folder itself", "Name: work\n  URL: /home/ann/Code\n", refusal("work")},
      {"a folder inside it", "Name: site\n  URL: pelk:x\n  URL: /home/ann/Code/site\n", refusal("site")},
      {"a folder around it", "Name: all\n  URL: /home/ann\n", refusal("all")},
      {"the first match names its session",
       "Name: other\n  URL: /srv/x\nName: second\n  URL: /home/ann/Code/a\nName: third\n  URL: /home/ann\n",
       refusal("second")},
      {"a neighbour", "Name: work\n  URL: /home/ann/Code2\n", std::nullopt},
      {"both endpoints on servers", "Name: remote\n  URL: box:/home/ann/Code\n  URL: ann@ci:/home/ann/Code\n",
       std::nullopt},
      {"pelk's own sessions",
       "Name: pelk-share\n  URL: /home/ann/Code\nName: pelk-share-out\n  URL: /home/ann\nName: pelk-shots\n"
       "  URL: /home/ann/Code/x\n",
       std::nullopt},
      {"an endpoint listed before any name", "  URL: /home/ann/Code\nName: work\n  URL: /home/ann/Code\n",
       std::nullopt},
      {"a relative code folder", "Name: work\n  URL: /home/ann/Code\n", std::nullopt, "Code"},
      {"nothing listed", "", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeRunner runner;
    runner.on("mutagen", {"sync", "list"}, ok_output(c.listing));
    EXPECT_EQ(other_sync_session_message(runner, c.code_folder), c.message);
    EXPECT_EQ(runner.call_lines(), (std::vector<std::string>{"mutagen sync list pelk-code", "mutagen sync list"}));
  }
}

TEST(OtherSyncSession, PelksOwnCodeSessionOrNoListingMeansNoMessage) {
  FakeRunner ours;
  ours.on("mutagen", {"sync", "list", "pelk-code"}, ok_output("Name: pelk-code\n"));
  ours.on("mutagen", {"sync", "list"}, ok_output("Name: work\n  URL: /home/ann/Code\n"));
  EXPECT_EQ(other_sync_session_message(ours, "/home/ann/Code"), std::nullopt);
  EXPECT_EQ(ours.call_lines(), std::vector<std::string>{"mutagen sync list pelk-code"});

  FakeRunner failing;
  failing.on("mutagen", {"sync", "list"}, failed_output("daemon not running"));
  EXPECT_EQ(other_sync_session_message(failing, "/home/ann/Code"), std::nullopt);

  FakeRunner refused;
  refused.fail_start("mutagen", EACCES);
  EXPECT_EQ(other_sync_session_message(refused, "/home/ann/Code"), std::nullopt);
}
