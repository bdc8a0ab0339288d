#include "filesync/code_sync.h"

#include <gtest/gtest.h>

#include "filesync/sync_spec.h"
#include "support/fake_laptop.h"

namespace fs = std::filesystem;

namespace {

const std::string kFetch = "ssh pelk cat .config/pelk/sync.json";
const std::string kList = "mutagen sync list pelk-code";
const std::string kFlush = "mutagen sync flush pelk-code";
const std::string kTerminate = "mutagen sync terminate pelk-code";

class CodeSync : public ::testing::Test, protected FakeLaptop {
 protected:
  fs::path state = home() / ".config/pelk";
  fs::path code = home() / "Code";

  CodeSync() {
    runner.on("mutagen", {"version"}, ok_output("0.18.1\n"));
    // flush, terminate and create succeed unless a test says otherwise
    runner.on_any("mutagen", [](const FakeCall&) -> Result<ToolOutput> { return ok_output(); });
  }

  void server_has(const SyncSpec& spec) {
    runner.on("ssh", {"pelk", "cat .config/pelk/sync.json"}, ok_output(sync_spec_text(spec) + "\n"));
  }
  void server_unreachable() {
    runner.on("ssh", {"pelk", "cat .config/pelk/sync.json"},
              failed_output("ssh: connect to host 100.64.0.7 port 22: No route to host\n"));
  }
  void session(bool exists) {
    runner.on("mutagen", {"sync", "list", "pelk-code"},
              exists ? ok_output("Name: pelk-code\n") : failed_output("Error: unable to locate requested sessions\n"));
  }
  // The session exists and syncs `folder` on the laptop, as "sync list" shows it.
  void session_syncing(const fs::path& folder) {
    runner.on("mutagen", {"sync", "list", "pelk-code"},
              ok_output("--------------------------------------------------------------------------------\n"
                        "Name: pelk-code\nIdentifier: sync_x\nLabels: None\nAlpha:\n\tURL: " +
                        folder.string() + "\n\tConnected: Yes\nBeta:\n\tURL: pelk:Code\n\tConnected: Yes\n"
                        "Status: Watching for changes\n"));
  }
  void stored(const SyncSpec& spec) { write_text(state / "sync.json", sync_spec_text(spec)); }
  std::string stored_text() { return read_text(state / "sync.json"); }

  std::string create(const std::vector<std::string>& patterns) {
    std::string line = "mutagen sync create --name pelk-code --mode two-way-resolved";
    for (const auto& pattern : patterns) line += " --ignore=" + pattern;
    return line + " " + code.string() + " pelk:Code";
  }
  Result<void> sync() { return sync_code(context(), code); }
};

const SyncSpec kRules{5, true, {"node_modules", "*.log"}, {}, {"app", "web"}};

}  // namespace

TEST_F(CodeSync, NeverSyncedWithoutServerRulesCreatesTheSessionWithTheDefaults) {
  server_unreachable();
  session(false);
  ASSERT_TRUE(sync());
  EXPECT_EQ(runner.call_lines(),
            (std::vector<std::string>{"mutagen version", kFetch, kList, create(default_ignore_patterns())}));
  EXPECT_EQ(out.str(), "");
  EXPECT_TRUE(fs::is_directory(code));
  EXPECT_EQ(stored_text(), sync_spec_text(SyncSpec{0, true, default_ignore_patterns(), {}, {}}));
}

TEST_F(CodeSync, AFirstSyncMovesNothingAside) {
  server_has(kRules);
  session(false);
  write_text(code / "app/index.php", "laptop copy");
  ASSERT_TRUE(sync());
  EXPECT_EQ(runner.call_lines(), (std::vector<std::string>{"mutagen version", kFetch, kList, create(kRules.ignores)}));
  EXPECT_EQ(read_text(code / "app/index.php"), "laptop copy");
  EXPECT_FALSE(fs::exists(home() / "Code-pelk-old"));
  EXPECT_EQ(stored_text(), sync_spec_text(kRules));
}

TEST_F(CodeSync, RulesThatDifferOnlyInVersionOrProjectsAreUpToDate) {
  SyncSpec newer = kRules;
  newer.version = 6;
  newer.projects = {"app", "web", "shop"};
  server_has(newer);
  stored(kRules);
  session(true);
  ASSERT_TRUE(sync());
  EXPECT_EQ(runner.call_lines(), (std::vector<std::string>{"mutagen version", kFetch, kList}));
  EXPECT_EQ(out.str(), "  The sync session is up to date.\n");
  EXPECT_EQ(stored_text(), sync_spec_text(newer));
}

TEST_F(CodeSync, ChangedRulesReplaceTheSessionAndNameServerOnlyCopies) {
  SyncSpec changed{6, true, {"*.log", "node_modules"}, {"api", "../x", ".env"}, {"app", "api"}};
  server_has(changed);
  stored(kRules);
  session(true);
  fs::create_directories(code / "api");
  ASSERT_TRUE(sync());
  EXPECT_EQ(runner.call_lines(), (std::vector<std::string>{"mutagen version", kFetch, kList, kFlush, kTerminate,
                                                           create({"*.log", "node_modules", "/api"})}));
  EXPECT_EQ(out.str(), "  Applied the new sync rules.\n  Server only, no longer synced: api. The copies in " +
                           code.string() + " can be deleted.\n");
  EXPECT_TRUE(fs::is_directory(code / "api"));
  EXPECT_EQ(stored_text(), sync_spec_text(changed));
}

TEST_F(CodeSync, SwitchedOffOnTheServerRemovesTheSessionAndLeavesTheCopy) {
  SyncSpec off = kRules;
  off.enabled = false;
  server_has(off);
  stored(kRules);
  session(true);
  write_text(code / "app/index.php", "mine");
  ASSERT_TRUE(sync());
  EXPECT_EQ(runner.call_lines(), (std::vector<std::string>{"mutagen version", kFetch, kList, kFlush, kTerminate}));
  EXPECT_EQ(out.str(), "  File sync is off for this server: open projects over SSH (ssh pelk). Your copy in " +
                           code.string() + " stays as it is.\n");
  EXPECT_EQ(read_text(code / "app/index.php"), "mine");
  EXPECT_EQ(stored_text(), sync_spec_text(off));
}

TEST_F(CodeSync, SwitchedOffWithoutASessionOnlyRepeatsTheNotice) {
  SyncSpec off{2, false, {}, {"api"}, {}};
  server_has(off);
  session(false);
  fs::create_directories(code / "api");
  ASSERT_TRUE(sync());
  ASSERT_TRUE(sync());
  const std::string notice = "  File sync is off for this server: open projects over SSH (ssh pelk). Your copy in " +
                             code.string() + " stays as it is.\n";
  EXPECT_EQ(out.str(), notice + notice);
  EXPECT_EQ(runner.call_lines(),
            (std::vector<std::string>{"mutagen version", kFetch, kList, "mutagen version", kFetch, kList}));
}

TEST_F(CodeSync, SwitchedOnAgainMovesTheOldCopiesAsideFirst) {
  SyncSpec off{1, false, {}, {}, {}};
  SyncSpec on{2, true, {"node_modules"}, {"api"}, {"app", "web", ".env", "api"}};
  stored(off);
  server_has(on);
  session(false);
  write_text(code / "app/index.php", "older laptop copy");
  fs::create_directories(code / ".env");
  fs::create_directories(code / "api");
  ASSERT_TRUE(sync());
  EXPECT_EQ(runner.call_lines(),
            (std::vector<std::string>{"mutagen version", kFetch, kList, create({"node_modules", "/api"})}));
  std::vector<fs::path> dated;
  for (const auto& entry : fs::directory_iterator(home() / "Code-pelk-old")) dated.push_back(entry.path());
  ASSERT_EQ(dated.size(), 1u);
  EXPECT_EQ(read_text(dated[0] / "app/index.php"), "older laptop copy");
  EXPECT_FALSE(fs::exists(code / "app"));
  EXPECT_TRUE(fs::is_directory(code / ".env"));
  EXPECT_EQ(out.str(), "  Syncing again from the server: app. The older laptop copies are in " + dated[0].string() +
                           ".\n  Server only, no longer synced: api. The copies in " + code.string() +
                           " can be deleted.\n");
  EXPECT_EQ(stored_text(), sync_spec_text(on));
}

TEST_F(CodeSync, AnUnreachableServerWithCustomRulesStopsAtTheFlush) {
  server_unreachable();
  stored(kRules);
  session(true);
  runner.on("mutagen", {"sync", "flush", "pelk-code"},
            failed_output("Error: unable to flush session: beta is not connected\n"));
  auto result = sync();
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().display(),
            "cannot finish syncing before applying the new rules: Error: unable to flush session: beta is not connected");
  EXPECT_EQ(runner.call_lines(), (std::vector<std::string>{"mutagen version", kFetch, kList, kFlush}));
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(stored_text(), sync_spec_text(kRules));
}

TEST_F(CodeSync, AFailedCreateKeepsTheStoredRules) {
  server_has(kRules);
  session(false);
  runner.on_any("mutagen", [](const FakeCall&) -> Result<ToolOutput> {
    return failed_output("Error: unable to create synchronization session: invalid ignore pattern\n");
  });
  auto result = sync();
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().display(),
            "starting the file sync failed: Error: unable to create synchronization session: invalid ignore pattern");
  EXPECT_FALSE(fs::exists(state / "sync.json"));
}

TEST_F(CodeSync, WithoutMutagenNothingIsReadOrWritten) {
  FakeRunner missing;
  auto result = sync_code(context(missing), code);
  ASSERT_TRUE(result);
  EXPECT_EQ(out.str(),
            "  Mutagen is not installed, so nothing syncs yet. Install it (macOS: brew install "
            "mutagen-io/mutagen/mutagen; Linux: https://mutagen.io/documentation/introduction/installation) and "
            "rerun pelk laptop connect.\n");
  EXPECT_EQ(missing.call_lines(), std::vector<std::string>{"mutagen version"});
  EXPECT_FALSE(fs::exists(home() / ".config"));
}

// connect --code-dir with another folder: the session that still syncs the
// old folder is replaced, never reported up to date.
TEST_F(CodeSync, ASessionOfAnotherFolderIsReplaced) {
  const fs::path old_folder = home() / "Old";
  struct Case {
    std::string what;
    fs::path synced;
    SyncSpec server;
    std::string flush_error;
    std::vector<std::string> runs;
    std::string printed;
    std::string error;
  };
  SyncSpec changed = kRules;
  changed.ignores = {"*.tmp"};
  const std::string moved = "  The sync session now syncs " + code.string() + " instead of " + old_folder.string() + ".\n";
  const Case cases[] = {
      {"another folder", old_folder, kRules, "", {"mutagen version", kFetch, kList, kFlush, kTerminate, create(kRules.ignores)},
       moved, ""},
      {"the same folder written with a trailing slash", code.string() + "/", kRules, "",
       {"mutagen version", kFetch, kList}, "  The sync session is up to date.\n", ""},
      {"another folder and new rules", old_folder, changed, "",
       {"mutagen version", kFetch, kList, kFlush, kTerminate, create(changed.ignores)},
       moved + "  Applied the new sync rules.\n", ""},
      {"another folder that cannot finish syncing", old_folder, kRules, "Error: beta is not connected\n",
       {"mutagen version", kFetch, kList, kFlush}, "",
       "cannot finish syncing " + old_folder.string() + " before switching to " + code.string() +
           ": Error: beta is not connected"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    runner = FakeRunner();
    runner.on("mutagen", {"version"}, ok_output("0.18.1\n"));
    runner.on_any("mutagen", [](const FakeCall&) -> Result<ToolOutput> { return ok_output(); });
    if (!c.flush_error.empty()) runner.on("mutagen", {"sync", "flush", "pelk-code"}, failed_output(c.flush_error));
    out.str("");
    server_has(c.server);
    stored(kRules);
    session_syncing(c.synced);
    auto result = sync();
    EXPECT_EQ(result ? "" : result.error().display(), c.error);
    EXPECT_EQ(runner.call_lines(), c.runs);
    EXPECT_EQ(out.str(), c.printed);
  }
}

// Server-only names that are no plain project name ("/", "..", "../.ssh")
// name folders outside the code folder: the notice never tells the user
// those can be deleted.
TEST_F(CodeSync, TheServerOnlyNoticeNamesOnlyProjects) {
  SyncSpec rules{3, true, {}, {"/", "..", "../.ssh", "api", ".env", "a/b"}, {}};
  server_has(rules);
  stored(rules);
  session_syncing(code);
  fs::create_directories(home() / ".ssh");
  for (const char* folder : {"api", ".env", "a/b"}) fs::create_directories(code / folder);
  ASSERT_TRUE(sync());
  EXPECT_EQ(out.str(), "  The sync session is up to date.\n  Server only, no longer synced: api. The copies in " +
                           code.string() + " can be deleted.\n");
}

// A server that sends more than any rules file holds is stopped at the bound,
// and what it sent counts as invalid: the default rules apply.
TEST_F(CodeSync, ServerRulesPastTheOutputBoundCountAsInvalid) {
  struct Row {
    size_t size;  // the rules padded with spaces (valid JSON) to this many bytes
    std::vector<std::string> patterns;
  };
  const Row rows[] = {
      {kParsedOutputLimit, kRules.ignores},
      {kParsedOutputLimit + 1, default_ignore_patterns()},
  };
  for (const auto& row : rows) {
    FakeRunner fresh;
    fresh.on("mutagen", {"version"}, ok_output("0.18.1\n"));
    fresh.on_any("mutagen", [](const FakeCall&) -> Result<ToolOutput> { return ok_output(); });
    std::string rules = sync_spec_text(kRules);
    rules.resize(row.size, ' ');
    fresh.on("ssh", {"pelk", "cat .config/pelk/sync.json"}, ok_output(rules));
    fresh.on("mutagen", {"sync", "list", "pelk-code"}, failed_output("Error: unable to locate requested sessions\n"));
    fs::remove(state / "sync.json");
    ASSERT_TRUE(sync_code(context(fresh), code));
    EXPECT_EQ(fresh.call_lines().back(), create(row.patterns)) << row.size;
    ASSERT_TRUE(fresh.calls()[1].output_limit);
    EXPECT_EQ(*fresh.calls()[1].output_limit, kParsedOutputLimit);
  }
}
