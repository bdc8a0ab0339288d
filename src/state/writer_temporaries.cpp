#include "state/writer_temporaries.h"

#include <cstdint>
#include <string_view>
#include <system_error>

#include "state/text.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMark = ".pelk-";

template <class Char>
std::optional<unsigned long> owner_in(std::basic_string_view<Char> name) {
  if (name.empty() || name.front() != Char('.')) return std::nullopt;
  std::basic_string<Char> mark(kMark.begin(), kMark.end());
  size_t at = name.rfind(mark);
  if (at == std::basic_string_view<Char>::npos) return std::nullopt;
  std::basic_string_view<Char> rest = name.substr(at + mark.size());
  size_t dash = rest.find(Char('-'));
  if (dash == std::basic_string_view<Char>::npos) return std::nullopt;
  // Process ids and the writer's counter both fit 32 bits.
  auto pid = parse_plain_decimal_u32(rest.substr(0, dash));
  if (!pid || *pid == 0 || !parse_plain_decimal_u32(rest.substr(dash + 1))) return std::nullopt;
  return std::optional<unsigned long>(*pid);
}

}  // namespace

fs::path writer_temporary_name(unsigned long process_id, unsigned counter) {
  return fs::path(std::string(kMark) + std::to_string(process_id) + "-" + std::to_string(counter));
}

std::optional<unsigned long> writer_temporary_owner(const fs::path& file_name) {
  using Char = fs::path::value_type;
  const auto& native = file_name.native();
  return owner_in(std::basic_string_view<Char>(native));
}

void remove_stale_writer_temporaries(const fs::path& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    auto owner = writer_temporary_owner(it->path().filename());
    if (!owner || process_is_running(*owner)) continue;
    std::error_code ignored;
    if (!it->is_directory(ignored)) fs::remove(it->path(), ignored);
  }
}

CommandError not_a_regular_file(const fs::path& path) {
  return CommandError::message(display_path(path) + " is not a regular file");
}
