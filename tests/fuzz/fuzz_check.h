// What every fuzz target shares: the input as text, and a check that stops
// the run with a readable reason, so libFuzzer keeps the input that broke it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

inline std::string_view fuzz_text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

[[noreturn]] inline void fuzz_failed(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
  std::abort();
}

#define FUZZ_CHECK(condition) \
  do {                        \
    if (!(condition)) fuzz_failed(#condition, __FILE__, __LINE__); \
  } while (0)
