#include "share/server_prepare.h"

#include "share/share_folder.h"

std::string server_prepare_command(std::string_view laptop_name, std::uint32_t keep_days) {
  std::string folder = server_share_folder(laptop_name);
  std::string command =
      "cd && if [ -d Shots ] && [ ! -L Shots ] && [ ! -e Share ]; then mv Shots Share && ln -s Share Shots; fi "
      "&& mkdir -p " +
      folder + "/out";
  if (keep_days != 0) command += retention_clause(folder, keep_days);
  return command;
}

std::string retention_clause(std::string_view folder, std::uint32_t days) {
  std::uint64_t minutes = static_cast<std::uint64_t>(days) * 1440;
  std::string f(folder);
  return " && find " + f + " -path " + f + "/keep -prune -o -type f -mmin +" + std::to_string(minutes) +
         " -exec rm -f {} +";
}
