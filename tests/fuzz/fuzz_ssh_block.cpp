// strip_marked_block over any bytes. Checked against a model that says which
// lines are the user's: every line outside a closed block survives, in order
// and byte for byte; stripping twice equals stripping once; no marker line is
// left; and a block written on top of the rest strips back to that rest.
#include <vector>

#include "connect/ssh_block.h"
#include "fuzz_check.h"
#include "state/text.h"

namespace {

// The lines of a text with their endings (a line feed and any carriage
// returns before it) taken off. Written apart from the code under test.
std::vector<std::string_view> model_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return lines;
}

bool is_begin(std::string_view line) { return trim(line) == kSshBlockBegin; }
bool is_end(std::string_view line) { return trim(line) == kSshBlockEnd; }

// The user's lines: everything but the markers and what lies between a begin
// marker and the next end marker. A begin marker with no end marker after it
// encloses nothing.
std::string model_strip(std::string_view text) {
  std::vector<std::string_view> lines = model_lines(text);
  std::vector<bool> end_follows(lines.size() + 1, false);
  for (std::size_t i = lines.size(); i-- > 0;) end_follows[i] = end_follows[i + 1] || is_end(lines[i]);
  std::string kept;
  bool inside = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (is_end(lines[i])) {
      inside = false;
    } else if (is_begin(lines[i])) {
      if (end_follows[i + 1]) inside = true;
    } else if (!inside) {
      if (!(kept.empty() && lines[i].empty())) kept.append(lines[i]).push_back('\n');
    }
  }
  return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz_text(data, size);
  const std::string stripped = strip_marked_block(text);

  FUZZ_CHECK(stripped == model_strip(text));
  FUZZ_CHECK(strip_marked_block(stripped) == stripped);
  FUZZ_CHECK(!stripped.starts_with('\n'));
  FUZZ_CHECK(stripped.empty() || stripped.ends_with('\n'));
  FUZZ_CHECK(stripped.find("\r\n") == std::string::npos);
  for (std::string_view line : model_lines(stripped)) FUZZ_CHECK(!is_begin(line) && !is_end(line));

  // What write_ssh_block puts in the file, and what remove_ssh_block makes of it.
  const std::string block = ssh_block_text("100.64.0.7");
  const std::string written = trim(stripped).empty() ? block : block + "\n" + stripped;
  const std::string removed = strip_marked_block(written);
  FUZZ_CHECK(removed == (trim(stripped).empty() ? std::string() : stripped));
  return 0;
}
