#include "filesync/mutagen_install.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "filesync/mutagen_unpack.h"
#include "state/paths.h"
#include "support/fake_runner.h"
#include "support/temp_folder.h"
#include "tar_fixture.h"

namespace fs = std::filesystem;

TEST(InstallMutagen, AWorkingMutagenOfAnyVersionIsLeftAlone) {
  TempFolder home;
  FakeRunner runner;
  runner.on("mutagen", {"version"}, ok_output("0.12.0\n"));
  std::ostringstream out;
  ASSERT_TRUE(install_mutagen(runner, home.path(), out));
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(runner.call_lines(), std::vector<std::string>{"mutagen version"});
  EXPECT_FALSE(fs::exists(home / ".local"));
}

TEST(InstallMutagen, APlatformWithoutABuildStopsBeforeAnything) {
  TempFolder home;
  FakeRunner runner;
  std::ostringstream out;
  auto result = install_mutagen_for("plan9_mips", runner, home.path(), out);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().display(), "no file sync build for plan9_mips");
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(runner.call_lines(), std::vector<std::string>{"mutagen version"});
}

// The dispatcher puts the tools folder on PATH once per command; the
// installer itself leaves this process's search path alone (here: the test
// program's own).
TEST(InstallMutagen, LeavesTheSearchPathAlone) {
  const char* before = std::getenv("PATH");
  const std::string path_before = before ? before : "";
  struct Row {
    const char* name;
    std::string platform;
    bool mutagen_works;
  };
  const Row rows[] = {
      {"a working Mutagen", "linux_amd64", true},
      {"no build for the platform", "plan9_mips", false},
  };
  for (const auto& row : rows) {
    TempFolder home;
    FakeRunner runner;
    if (row.mutagen_works) runner.on("mutagen", {"version"}, ok_output("0.18.1\n"));
    std::ostringstream out;
    (void)install_mutagen_for(row.platform, runner, home.path(), out);
    const char* after = std::getenv("PATH");
    EXPECT_EQ(after ? std::string(after) : std::string(), path_before) << row.name;
  }
}

#if defined(PELK_NO_UNPACKER)

TEST(InstallMutagen, ABuildWithoutTheUnpackerSaysSoAndDownloadsNothing) {
  TempFolder home;
  FakeRunner runner;
  std::ostringstream out;
  auto result = install_mutagen_for("linux_amd64", runner, home.path(), out);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().display(),
            "this pelk was built without its Mutagen unpacker; install Mutagen "
            "(https://mutagen.io/documentation/introduction/installation) and run pelk laptop connect again");
  EXPECT_EQ(runner.call_lines(), std::vector<std::string>{"mutagen version"});
}

#else

namespace {

const std::string kLinuxAddress =
    "https://github.com/mutagen-io/mutagen/releases/download/v0.18.1/mutagen_linux_amd64_v0.18.1.tar.gz";

std::string curl_line(const TempFolder& home) {
  return "curl -fsSL --retry 2 -o " + (tools_dir(home.path()) / "mutagen.tar.gz.part").string() + " " + kLinuxAddress;
}

}  // namespace

TEST(InstallMutagen, CurlMissingOrFailingEndsWithItsTrimmedErrorAndNoArchiveLeft) {
  struct Case {
    std::string what;
    std::optional<ToolOutput> curl;  // none: curl is not installed
    std::string message;
  };
  const Case cases[] = {
      {"curl missing", std::nullopt, "downloading Mutagen failed: curl: not found"},
      {"HTTP 404", failed_output("curl: (22) The requested URL returned error: 404\n"),
       "downloading Mutagen failed: curl: (22) The requested URL returned error: 404"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder home;
    FakeRunner runner;
    runner.on("mutagen", {"version"}, failed_output("exec format error"));  // a damaged executable
    if (c.curl) {
      runner.on_any("curl", [&](const FakeCall& call) -> Result<ToolOutput> {
        write_text(call.args[4], "partial body");
        return *c.curl;
      });
    }
    std::ostringstream out;
    auto result = install_mutagen_for("linux_amd64", runner, home.path(), out);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().display(), c.message);
    EXPECT_EQ(out.str(), "  Installing Mutagen 0.18.1\n");
    EXPECT_EQ(runner.call_lines(), (std::vector<std::string>{"mutagen version", curl_line(home)}));
    EXPECT_TRUE(fs::is_directory(tools_dir(home.path())));
    EXPECT_TRUE(fs::is_empty(tools_dir(home.path())));
  }
}

TEST(InstallMutagen, ACurlThatCannotStartIsAnIoError) {
  TempFolder home;
  FakeRunner runner;
  runner.fail_start("curl", EACCES);
  std::ostringstream out;
  auto result = install_mutagen_for("linux_amd64", runner, home.path(), out);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().code(), CommandError::io_errno(EACCES).code());
}

TEST(InstallMutagen, ADownloadThatDoesNotMatchThePinnedChecksumInstallsNothing) {
  TempFolder home;
  FakeRunner runner;
  std::string body = tar_gz({{"mutagen", "not the release"}});
  runner.on_any("curl", [&](const FakeCall& call) -> Result<ToolOutput> {
    write_text(call.args[4], body);
    return ok_output();
  });
  std::ostringstream out;
  auto result = install_mutagen_for("linux_amd64", runner, home.path(), out);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().display(), "the Mutagen download does not match its checksum (got " +
                                          sha256_hex(body).value() + "); nothing was installed");
  EXPECT_TRUE(fs::is_empty(tools_dir(home.path())));
}

#endif
