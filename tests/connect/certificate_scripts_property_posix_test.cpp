// Generated paths as the certificate's path: the setup and trust removal
// scripts built around such a path parse in a real sh.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "connect/setup_script.h"
#include "connect/system_trust.h"
#include "state/text.h"
#include "support/fake_runner.h"
#include "support/generated_paths.h"
#include "support/temp_folder.h"
#include "tools/script_quote.h"

namespace fs = std::filesystem;

TEST(CertificateScriptsProperty, ParseForEveryPath) {
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
  EXPECT_EQ(run_sh(work.path(), "-n scripts.sh", work / "parse"), 0) << read_text(work / "parse");
  ASSERT_EQ(run_sh(work.path(), "scripts.sh", work / "defined"), 0) << read_text(work / "defined");
  const std::string defined = read_text(work / "defined");
  if (defined == numbers) return;
  std::istringstream lines(defined);
  std::string line;
  std::size_t good = 0;
  while (good < scripts.size() && std::getline(lines, line) && line == std::to_string(good)) ++good;
  FAIL() << "script " << good << " does not parse:\n" << scripts[std::min(good, scripts.size() - 1)];
}
