// bench_size_note: the code folder size walk on a generated tree.
//   bench_size_note generate FOLDER FILES   writes FILES small files in nested folders
//   bench_size_note walk FOLDER             runs code_folder_size_note once
// size_note.sh times the walk against du -sb of the same tree.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "filesync/code_folder_size.h"

namespace fs = std::filesystem;

namespace {

// 20 projects, each with 10 x 10 nested folders, the files spread over the
// leaves: the shape of a code folder full of small source files.
int generate(const fs::path& root, long files) {
  const long leaves = 20 * 10 * 10;
  long written = 0;
  for (long leaf = 0; leaf < leaves && written < files; ++leaf) {
    fs::path folder = root / ("project-" + std::to_string(leaf / 100)) / ("src-" + std::to_string(leaf / 10 % 10)) /
                      ("module-" + std::to_string(leaf % 10));
    fs::create_directories(folder);
    long here = (files - written) / (leaves - leaf);
    for (long i = 0; i < here; ++i, ++written) {
      std::ofstream file(folder / ("file-" + std::to_string(i) + ".txt"), std::ios::binary);
      file << std::string(64 + (written * 37) % 900, 'x');
    }
  }
  std::printf("%ld files\n", written);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "generate" && argc == 4) return generate(argv[2], std::atol(argv[3]));
  if (mode == "walk" && argc == 3) {
    auto note = code_folder_size_note(argv[2]);
    std::printf("%s\n", note ? note->c_str() : "no note");
    return 0;
  }
  std::fprintf(stderr, "usage: bench_size_note generate FOLDER FILES | walk FOLDER\n");
  return 2;
}
