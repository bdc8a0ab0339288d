// Generated paths through shell_quote and a real sh: the shell sees exactly
// the path.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/generated_paths.h"
#include "support/temp_folder.h"
#include "tools/script_quote.h"

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
  ASSERT_EQ(run_sh(work.path(), "quote.sh", work / "out"), 0) << read_text(work / "out");
  const std::string got = read_text(work / "out");
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
