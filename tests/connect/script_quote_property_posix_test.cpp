// Generated paths through shell_quote and a real sh: the shell sees exactly
// the path, and the certificate scripts built around such a path parse. One
// sh process checks a whole batch, so ten thousand paths stay fast.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tools/script_quote.h"
#include "connect/setup_script.h"
#include "connect/system_trust.h"
#include "state/text.h"
#include "support/fake_runner.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// Paths made of the pieces that break naive quoting. The command
// substitutions name no real program, so a quoting fault shows as a wrong
// result rather than running anything.
std::vector<std::string> generated_paths(std::uint32_t seed, int count) {
  const std::vector<std::string> pieces = {
      "'", "''", "\"", "$(pelk_nothing)", "`pelk_nothing`", "\\", "\\'", " ", "  ", "\n", "\t", "$HOME", "${IFS}",
      ";", "&&", "|", "*", "?", "[a]", "~", "#", "!", "{ }", "-n", "%s", "\xc3\xa9", "\xe2\x80\x99", "\xf0\x9f\x98\x80",
      "\xff", "\x80\xfe", "/", "ca", ".pem", "o'neil", "\r"};
  std::mt19937 random(seed);
  std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
  std::uniform_int_distribution<int> length(1, 12);
  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) {
    std::string path = "/home/";
    for (int n = length(random); n > 0; --n) path += pieces[piece(random)];
    paths.push_back(path + "/ca.pem");
  }
  return paths;
}

// Runs a script file with sh in `folder`, with no programs to be found: an
// empty PATH, so nothing but shell builtins could ever run.
int run_sh(const fs::path& folder, const std::string& arguments, const fs::path& output) {
  const std::string command = "cd '" + folder.string() + "' && env -i PATH=/nonexistent /bin/sh " + arguments +
                              " > '" + output.string() + "' 2>&1";
  return std::system(command.c_str());
}

std::string read_back(const fs::path& file) { return read_text(file); }

}  // namespace

TEST(ScriptQuoteProperty, ShellGivesBackEveryPathByteForByte) {
  const auto paths = generated_paths(7321, 10000);
  TempFolder work;
  std::string script;
  std::string expected;
  for (const auto& path : paths) {
    script += "printf '%s\\0' " + shell_quote(path) + "\n";
    expected += path + '\0';
  }
  write_text(work / "quote.sh", script);
  ASSERT_EQ(run_sh(work.path(), "quote.sh", work / "out"), 0) << read_back(work / "out");
  const std::string got = read_back(work / "out");
  if (got == expected) return;
  // Name the first path that came back different.
  std::size_t start = 0;
  for (const auto& path : paths) {
    std::size_t end = got.find('\0', start);
    ASSERT_EQ(got.substr(start, end - start), path) << "quoted as " << shell_quote(path);
    start = end + 1;
  }
  FAIL() << "the shell gave more than the paths";
}

TEST(ScriptQuoteProperty, CertificateScriptsParseForEveryPath) {
  const auto paths = generated_paths(9907, 10000);
  TempFolder root;
  fs::create_directories(root / "run/systemd/resolve");
  write_text(root / "etc/resolv.conf", "nameserver 127.0.0.53\n");
  FakeRunner runner(root.path());
  std::ostringstream warnings;

  // Each script becomes the body of a function: sh -n reads the whole file,
  // and sh itself then defines the functions one by one without running
  // them, printing the number of each after it. A script that left a quote
  // open would swallow the numbers after it, even where a later script
  // closed the quote again and sh -n saw nothing wrong.
  TempFolder work;
  std::string batch;
  std::string numbers;
  std::size_t index = 0;
  std::vector<std::string> scripts;
  for (const auto& path : paths) {
    for (OsKind os : {OsKind::Linux, OsKind::MacOs}) {
      auto script = setup_script(runner, os, path, "100.64.0.7", false, warnings);
      ASSERT_TRUE(script);
      // Scripts name the certificate by its display form.
      ASSERT_NE(script->find(shell_quote(display_path(path))), std::string::npos);
      scripts.push_back(*script);
      runner.clear_calls();
      warnings.str("");
    }
    scripts.push_back(system_trust_removal_command(OsKind::Linux, path));
  }
  for (const auto& script : scripts) {
    batch += "f() {\n" + script + "\n}\necho " + std::to_string(index) + "\n";
    numbers += std::to_string(index++) + "\n";
  }
  write_text(work / "scripts.sh", batch);
  EXPECT_EQ(run_sh(work.path(), "-n scripts.sh", work / "parse"), 0) << read_back(work / "parse");
  ASSERT_EQ(run_sh(work.path(), "scripts.sh", work / "defined"), 0) << read_back(work / "defined");
  const std::string defined = read_back(work / "defined");
  if (defined == numbers) return;
  std::istringstream lines(defined);
  std::string line;
  std::size_t good = 0;
  while (good < scripts.size() && std::getline(lines, line) && line == std::to_string(good)) ++good;
  FAIL() << "script " << good << " does not parse:\n" << scripts[std::min(good, scripts.size() - 1)];
}
