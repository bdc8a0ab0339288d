// The names sent files get in the share folder. Each is printed and put on
// the clipboard as one line of a server path, so a name holds no control
// characters; and pelk's own additions never make it too long for a folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// The longest file name, in bytes, that the usual file systems take.
inline constexpr std::size_t kFileNameLimit = 255;

// A named file's own name: the last component of its path as UTF-8 text
// (invalid parts become U+FFFD, control characters "_"), "file" when it has
// none, cut to the length limit.
std::string plain_stored_name(const std::filesystem::path& source);

// The name for a file whose plain name is taken: "<millis>-<name>", then
// "<millis>-2-<name>", "<millis>-3-<name>"... for attempt 1, 2, 3...; the
// name is shortened to fit, keeping its extension.
std::string stamped_stored_name(std::string_view name, std::uint64_t millis, unsigned attempt);

// A clipboard image's name: "shot-<millis>.png", then "shot-<millis>-2.png"...
std::string shot_stored_name(std::uint64_t millis, unsigned attempt);

// Each control character (U+0000 to U+001F, U+007F to U+009F) of UTF-8 text replaced by "_".
std::string without_control_characters(std::string_view text);

// The name cut to at most kFileNameLimit bytes, whole characters only, its
// extension (from the last ".") kept when it leaves room for the rest.
std::string within_name_limit(std::string_view name);
