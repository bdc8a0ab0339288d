// A gzip stream held in memory, inflated piece by piece so the tar reader
// never needs the whole inflated archive at once.
#pragma once

#include <zlib.h>

#include <string_view>
#include <vector>

#include "state/command_error.h"

class GzipPieces {
 public:
  explicit GzipPieces(std::string_view compressed);
  ~GzipPieces();
  GzipPieces(const GzipPieces&) = delete;
  GzipPieces& operator=(const GzipPieces&) = delete;

  // The next inflated bytes; an empty piece once the stream has ended and
  // the length and CRC of its last member have been checked. The piece stays
  // valid until the next call.
  [[nodiscard]] Result<std::string_view> next();

  // Inflates and drops the rest. The tar reader stops at its end-of-archive
  // blocks, before zlib reaches the trailer: only this checks the CRC.
  [[nodiscard]] Result<void> drain();

 private:
  z_stream stream_{};
  std::string_view rest_;
  std::vector<unsigned char> piece_;
  bool ready_ = false;       // inflateInit2 succeeded
  bool member_ended_ = false;
  bool finished_ = false;
};
