// The tar reader behind unpack_mutagen, over any archive bytes (the checksum
// check comes before it in the real run and is left out here). The input is
// the tar archive; it is gzip-compressed first unless it already is gzip, so
// the fuzzer works on tar members rather than on deflate. Whatever the
// archive holds, only regular files named mutagen, mutagen.exe or
// mutagen-agents.tar.gz are left, directly in the tools folder, and nothing
// at all outside it.
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "filesync/mutagen_unpack.h"
#include "fuzz_check.h"

namespace fs = std::filesystem;

namespace {

std::string gzip(std::string_view bytes) {
  z_stream stream{};
  FUZZ_CHECK(deflateInit2(&stream, 1, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK);
  std::string out(deflateBound(&stream, bytes.size()) + 32, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  FUZZ_CHECK(deflate(&stream, Z_FINISH) == Z_STREAM_END);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

// A sandbox on a memory file system when there is one: every member written
// is flushed to disk, which would otherwise be most of the run's time.
class Sandbox {
 public:
  Sandbox() {
    const char* chosen = std::getenv("PELK_FUZZ_SCRATCH");
    fs::path base = chosen != nullptr ? fs::path(chosen)
                    : fs::is_directory("/dev/shm") ? fs::path("/dev/shm")
                                                   : fs::temp_directory_path();
    root_ = base / ("pelk-fuzz-unpack-" + std::to_string(::getpid()));
  }
  ~Sandbox() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  const fs::path& root() const { return root_; }

 private:
  fs::path root_;
};

bool wanted(const fs::path& name) {
  return name == "mutagen" || name == "mutagen.exe" || name == "mutagen-agents.tar.gz";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Sandbox sandbox;
  const fs::path& root = sandbox.root();
  const fs::path tools = root / "tools";
  fs::remove_all(root);
  fs::create_directories(tools);

  std::string_view input = fuzz_text(data, size);
  const bool is_gzip = size >= 2 && data[0] == 0x1f && data[1] == 0x8b;
  const std::string archive = is_gzip ? std::string(input) : gzip(input);
  (void)extract_mutagen_files(archive, tools);

  for (const auto& entry : fs::directory_iterator(root)) {
    FUZZ_CHECK(entry.path() == tools);
    FUZZ_CHECK(entry.is_directory() && !entry.is_symlink());
  }
  for (const auto& entry : fs::directory_iterator(tools)) {
    FUZZ_CHECK(wanted(entry.path().filename()));
    FUZZ_CHECK(entry.is_regular_file() && !entry.is_symlink());
  }
  return 0;
}
