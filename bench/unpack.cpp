// bench_unpack ARCHIVE CHECKSUM TOOLS_FOLDER: one unpack_mutagen run, for
// unpack.sh to time and to measure peak memory.
#include <cstdio>

#include "filesync/mutagen_unpack.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: bench_unpack ARCHIVE CHECKSUM TOOLS_FOLDER\n");
    return 2;
  }
#if defined(PELK_NO_UNPACKER)
  std::fprintf(stderr, "this build has no Mutagen unpacker\n");
  return 2;
#else
  auto result = unpack_mutagen(argv[1], argv[2], argv[3]);
  if (!result) {
    std::fprintf(stderr, "%s\n", result.error().display().c_str());
    return 1;
  }
  return 0;
#endif
}
