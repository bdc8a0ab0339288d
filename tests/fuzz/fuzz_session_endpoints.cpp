// Mutagen's session listing as session_endpoints reads it. Every pair comes
// from the input: its endpoint from a "URL: " line, its session name from a
// "Name: " line before that one, the pairs in the order of their lines.
#include <vector>

#include "filesync/mutagen_sessions.h"
#include "fuzz_check.h"
#include "state/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view listing = fuzz_text(data, size);
  const std::vector<SessionEndpoint> pairs = session_endpoints(listing);

  std::vector<std::string_view> lines;
  for (std::string_view line : split_lines(listing)) lines.push_back(trim(line));
  std::size_t url_lines = 0;
  for (std::string_view line : lines) url_lines += line.starts_with("URL: ") ? 1 : 0;
  FUZZ_CHECK(pairs.size() == url_lines);

  std::size_t next_line = 0;
  for (const auto& pair : pairs) {
    while (next_line < lines.size() && !lines[next_line].starts_with("URL: ")) ++next_line;
    FUZZ_CHECK(next_line < lines.size());
    FUZZ_CHECK(lines[next_line].substr(5) == pair.endpoint);
    FUZZ_CHECK(pair.endpoint.find('\n') == std::string::npos);
    if (pair.session) {
      FUZZ_CHECK(any_session_listed(listing));
      FUZZ_CHECK(pair.session->find('\n') == std::string::npos);
      bool named_before = false;
      for (std::size_t i = 0; i < next_line && !named_before; ++i) {
        named_before = lines[i].starts_with("Name: ") && lines[i].substr(6) == *pair.session;
      }
      FUZZ_CHECK(named_before);
    }
    ++next_line;
  }
  return 0;
}
