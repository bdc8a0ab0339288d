#include "filesync/mutagen_unpack_gzip.h"

#include <climits>
#include <string>

namespace {

constexpr std::size_t kPieceBytes = 256 * 1024;
constexpr int kGzipOnly = 16 + MAX_WBITS;  // gzip header and trailer required, no raw or zlib streams

std::unexpected<CommandError> damaged(const z_stream& stream, int code) {
  std::string why = stream.msg != nullptr ? stream.msg : zError(code);
  return fail(CommandError::io("damaged gzip stream: " + why));
}

bool starts_a_member(std::string_view bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1f &&
         static_cast<unsigned char>(bytes[1]) == 0x8b;
}

}  // namespace

GzipPieces::GzipPieces(std::string_view compressed) : rest_(compressed), piece_(kPieceBytes) {
  ready_ = inflateInit2(&stream_, kGzipOnly) == Z_OK;
}

GzipPieces::~GzipPieces() {
  if (ready_) inflateEnd(&stream_);
}

Result<std::string_view> GzipPieces::next() {
  if (!ready_) return fail(CommandError::io("gzip decompression could not start"));
  while (!finished_) {
    if (member_ended_) {
      // A gzip file may be several members in a row; anything else after the
      // first member would be bytes nobody checked.
      if (rest_.empty()) {
        finished_ = true;
        break;
      }
      if (!starts_a_member(rest_)) return fail(CommandError::io("unexpected data after the gzip stream"));
      if (inflateReset(&stream_) != Z_OK) return damaged(stream_, Z_STREAM_ERROR);
      member_ended_ = false;
    }
    uInt offered = rest_.size() > UINT_MAX ? UINT_MAX : static_cast<uInt>(rest_.size());
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(rest_.data()));
    stream_.avail_in = offered;
    stream_.next_out = piece_.data();
    stream_.avail_out = static_cast<uInt>(piece_.size());
    int code = inflate(&stream_, Z_NO_FLUSH);
    rest_.remove_prefix(offered - stream_.avail_in);
    std::size_t produced = piece_.size() - stream_.avail_out;
    if (code == Z_STREAM_END) {
      member_ended_ = true;
    } else if (code == Z_BUF_ERROR) {
      // No progress was possible: the input ran out inside a member.
      if (rest_.empty()) return fail(CommandError::io("truncated gzip stream"));
      return damaged(stream_, code);
    } else if (code != Z_OK) {
      return damaged(stream_, code);
    }
    if (produced > 0) return std::string_view(reinterpret_cast<const char*>(piece_.data()), produced);
  }
  return std::string_view();
}

Result<void> GzipPieces::drain() {
  for (;;) {
    PELK_TRY_ASSIGN(std::string_view piece, next());
    if (piece.empty()) return {};
  }
}
