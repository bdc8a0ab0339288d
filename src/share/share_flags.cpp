#include "share/share_flags.h"

#include <system_error>

#include "state/file_io.h"
#include "state/paths.h"
#include "state/text.h"

namespace fs = std::filesystem;

bool sharing_enabled(const fs::path& home) {
  std::error_code ec;
  bool off = fs::exists(state_dir(home) / kShotsOffFile, ec);
  return ec || !off;
}

std::uint32_t read_keep_days(const fs::path& home) {
  auto text = read_file(state_dir(home) / kKeepDaysFile);
  if (!text) return kDefaultKeepDays;
  return parse_keep_days(*text);
}

std::uint32_t parse_keep_days(std::string_view text) {
  text = trim(text);
  if (text.starts_with('+')) text.remove_prefix(1);
  return parse_plain_decimal_u32(text).value_or(kDefaultKeepDays);
}
