#include "tools/script_quote.h"

#include <gtest/gtest.h>

#include <random>

#include "tools/real_runner.h"

namespace {

// The bytes `sh` hands to printf, read back as hex so that bytes which are not
// UTF-8 survive the runner's text decoding.
std::string bytes_through_sh(RealRunner& runner, const std::string& text) {
  auto run = runner.run_capture("sh", {"-c", "printf %s " + shell_quote(text) + " | od -An -v -tx1"}, std::nullopt);
  EXPECT_TRUE(run && run->success) << text;
  if (!run) return {};
  std::string bytes;
  std::string digits;
  for (char c : run->std_out) {
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    if (digits.size() == 2) {
      bytes += static_cast<char>(std::stoi(digits, nullptr, 16));
      digits.clear();
    }
  }
  return bytes;
}

}  // namespace

TEST(ScriptQuote, Texts) {
  struct Case {
    std::string text;
    std::string shell;
    std::string powershell;
  };
  const Case cases[] = {
      {"", "''", "''"},
      {"/home/ann/.config/pelk/ca.pem", "'/home/ann/.config/pelk/ca.pem'", "'/home/ann/.config/pelk/ca.pem'"},
      {"/Users/o'brien/ca.pem", "'/Users/o'\\''brien/ca.pem'", "'/Users/o''brien/ca.pem'"},
      {"''", "''\\'''\\'''", "''''''"},
      {"$HOME `id` \"x\"\n", "'$HOME `id` \"x\"\n'", "'$HOME `id` \"x\"\n'"},
      {"C:\\Users\\O\xE2\x80\x99" "Brien\\ca.pem", "'C:\\Users\\O\xE2\x80\x99" "Brien\\ca.pem'",
       "'C:\\Users\\O\xE2\x80\x99\xE2\x80\x99" "Brien\\ca.pem'"},
      {"\xE2\x80\x98\xE2\x80\x9A\xE2\x80\x9B", "'\xE2\x80\x98\xE2\x80\x9A\xE2\x80\x9B'",
       "'\xE2\x80\x98\xE2\x80\x98\xE2\x80\x9A\xE2\x80\x9A\xE2\x80\x9B\xE2\x80\x9B'"},
      // A stray continuation byte or a cut sequence is copied as it is.
      {"a\xE2\x80", "'a\xE2\x80'", "'a\xE2\x80'"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(shell_quote(c.text), c.shell) << c.text;
    EXPECT_EQ(powershell_quote(c.text), c.powershell) << c.text;
  }
}

TEST(ScriptQuote, ShellSeesExactlyTheText) {
  RealRunner runner;
  const std::string awkward[] = {"'", "\"", "$", "`", "\\", " ", "\n", "\t", ";", "&", "|", "*", "?", "~", "!", "#",
                                 "(", ")", "{", "}", "<", ">", "%s", "%", "-", "--", "=", "$(id)", "'\\''",
                                 "\xff", "\x80", "\xc3\xa9", "\xE2\x80\x99", "\r", "a", "/"};
  std::mt19937 random(20240611);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(awkward) - 1);
  std::uniform_int_distribution<int> length(0, 12);
  for (int round = 0; round < 200; ++round) {
    std::string path;
    for (int n = length(random); n > 0; --n) path += awkward[pick(random)];
    EXPECT_EQ(bytes_through_sh(runner, path), path) << shell_quote(path);
  }
  for (const std::string& one : awkward) EXPECT_EQ(bytes_through_sh(runner, "/x/" + one + "/ca.pem"), "/x/" + one + "/ca.pem");
}
