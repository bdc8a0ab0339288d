// Reading a count the user typed: decimal digits only, so "010" is ten and
// "0x10", "+5", "-1" and " 5" are not numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

std::optional<std::uint32_t> parse_plain_decimal_u32(std::string_view text);
