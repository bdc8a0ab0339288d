#include "share/server_prepare.h"

#include "share/retention.h"
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
