#include "state/clock.h"

#include <chrono>

namespace {
template <class Unit>
std::uint64_t since_epoch() {
  auto count = std::chrono::duration_cast<Unit>(std::chrono::system_clock::now().time_since_epoch()).count();
  return count < 0 ? 0 : static_cast<std::uint64_t>(count);
}
}  // namespace

std::uint64_t unix_seconds_now() { return since_epoch<std::chrono::seconds>(); }
std::uint64_t unix_millis_now() { return since_epoch<std::chrono::milliseconds>(); }
