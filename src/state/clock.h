// The wall clock as whole units since 1970-01-01 00:00 UTC; 0 before that.
#pragma once

#include <cstdint>

std::uint64_t unix_seconds_now();
std::uint64_t unix_millis_now();
