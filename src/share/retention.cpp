#include "share/retention.h"

std::string retention_clause(std::string_view folder, std::uint32_t days) {
  std::uint64_t minutes = static_cast<std::uint64_t>(days) * 1440;
  std::string f(folder);
  return " && find " + f + " -path " + f + "/keep -prune -o -type f -mmin +" + std::to_string(minutes) +
         " -exec rm -f {} +";
}
