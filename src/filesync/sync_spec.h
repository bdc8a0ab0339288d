// The sync rules the server publishes for the code folder, and what they
// make of it: the ignore patterns handed to Mutagen.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "state/json_reader.h"

struct SyncSpec {
  std::uint64_t version = 0;              // carried and stored, never compared
  bool enabled = true;                    // whether the code folder is synced at all
  std::vector<std::string> ignores;       // Mutagen patterns for the whole folder, in order
  std::vector<std::string> server_only;   // projects that stay on the server
  std::vector<std::string> projects;      // the projects the server has

  bool operator==(const SyncSpec&) const = default;
};

// The rules that stand in wherever no valid rules can be read.
SyncSpec default_sync_spec();
const std::vector<std::string>& default_ignore_patterns();

// Strict: `version`, `enabled` and `ignores` are required, `server_only` and
// `projects` default to empty, a known member given twice, a value of the
// wrong type (a negative or fractional version too) or text after the object
// make the text invalid; other members are ignored.
[[nodiscard]] JsonResult<SyncSpec> parse_sync_spec(std::string_view text);

// The members in a fixed order, two-space indentation, one list item per
// line, no line feed after the closing brace.
std::string sync_spec_text(const SyncSpec& spec);

// Letters, digits, '-', '_' and '.', not empty, not starting with '.': a name
// that can only ever mean a top-level folder of the code folder. Unlike
// `pelk open`'s names it may start with "-" or "_": it only ever follows a
// "/" (a Mutagen pattern, a path under the code folder), never stands alone
// as an argument, and the server's rules may name any folder the user made.
bool valid_project_name(std::string_view name);

// The rules' `ignores`, then "/name" for each valid server-only name, which
// ties the pattern to the top of the synced folder.
std::vector<std::string> ignore_patterns(const SyncSpec& spec);
