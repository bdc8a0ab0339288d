#include "support/generated_paths.h"

#include <cstdlib>
#include <random>

namespace fs = std::filesystem;

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

int run_sh(const fs::path& folder, const std::string& arguments, const fs::path& output) {
  const std::string command = "cd '" + folder.string() + "' && env -i PATH=/nonexistent /bin/sh " + arguments +
                              " > '" + output.string() + "' 2>&1";
  return std::system(command.c_str());
}
