#include "cli/home_owner.h"

#include <sys/stat.h>
#include <unistd.h>

HomeOwnership home_ownership(const std::filesystem::path& home) {
  HomeOwnership ownership;
  uid_t self = ::geteuid();
  ownership.running_as_root = self == 0;
  struct stat info {};
  if (::stat(home.c_str(), &info) == 0) ownership.owned_by_another_user = info.st_uid != self;
  return ownership;
}
