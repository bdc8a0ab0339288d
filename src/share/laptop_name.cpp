#include "share/laptop_name.h"

#include <algorithm>
#include <cstdint>

#include "share/share_flags.h"
#include "state/file_io.h"
#include "state/paths.h"
#include "state/text.h"

namespace fs = std::filesystem;

namespace {

// The full Unicode lower-case mapping of one code point, as far as the ASCII
// filter can tell it apart: only two code points outside ASCII lower-case to
// something that holds an ASCII letter. U+212A KELVIN SIGN becomes "k";
// U+0130 (capital I with dot above) becomes "i" followed by U+0307, which is
// not ASCII. Every other code point outside ASCII stays outside it.
std::u32string lower_case(char32_t c) {
  if (c >= 'A' && c <= 'Z') return std::u32string(1, c - 'A' + 'a');
  if (c == U'\u212A') return U"k";
  if (c == U'\u0130') return U"i\u0307";
  return std::u32string(1, c);
}

}  // namespace

std::string folder_name_from_host(std::string_view hostname_output) {
  std::string_view host = trim(hostname_output);
  host = host.substr(0, host.find('.'));
  std::string name;
  while (!host.empty()) {
    for (char32_t c : lower_case(take_code_point(host))) {
      if (is_ascii_alnum(c)) {
        name.push_back(static_cast<char>(c));
      } else if (!name.empty() && name.back() != '-') {
        name.push_back('-');
      }
    }
  }
  while (!name.empty() && name.back() == '-') name.pop_back();
  return name.empty() ? "laptop" : name;
}

bool is_usable_folder_name(std::string_view name) {
  if (name.empty() || name.front() == '.' || name.front() == '-') return false;
  return std::ranges::all_of(name, is_plain_name_character);
}

Result<std::string> laptop_folder_name(ToolRunner& runner, const fs::path& home) {
  fs::path file = state_dir(home) / kShotsFolderFile;
  auto kept = read_file(file);
  // A file that is there but cannot be read (a FIFO, a device, a huge file)
  // is the user's to fix; it is not replaced by a name of pelk's choosing.
  if (!kept && !is_not_found(kept.error())) return fail(kept.error());
  if (kept && is_valid_utf8(*kept)) {
    std::string_view name = trim(*kept);
    if (!name.empty()) {
      if (!is_usable_folder_name(name)) {
        return fail_message("~/.config/pelk/shots-folder holds '" + std::string(name) +
                            "', which is not a folder name; fix it or delete the file");
      }
      return std::string(name);
    }
  }
  auto hostname = run_capture(runner, "hostname", {});
  std::string name = folder_name_from_host(hostname && hostname->success ? hostname->std_out : "");
  PELK_TRY(create_folders(state_dir(home)));
  PELK_TRY(write_file_atomically(file, name));
  return name;
}
