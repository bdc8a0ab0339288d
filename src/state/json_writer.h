// Writing JSON strings the way pelk's records store them: UTF-8 as it is,
// only the quote, the backslash and control characters escaped.
#pragma once

#include <string>
#include <string_view>

// `text` must be valid UTF-8.
std::string json_string(std::string_view text);
