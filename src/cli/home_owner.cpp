#include "cli/home_owner.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "state/text.h"

HomeOwnership home_ownership([[maybe_unused]] const std::filesystem::path& home) {
  HomeOwnership ownership;
  // An elevated Windows run keeps the user's own profile folder and rights on
  // it, so there is nothing to look at there.
#if !defined(_WIN32)
  uid_t self = ::geteuid();
  ownership.running_as_root = self == 0;
  struct stat info {};
  if (::stat(home.c_str(), &info) == 0) ownership.owned_by_another_user = info.st_uid != self;
#endif
  return ownership;
}

Result<void> check_home_owner(const HomeOwnership& ownership, const std::filesystem::path& home) {
  if (!ownership.running_as_root || !ownership.owned_by_another_user) return {};
  return fail_message("pelk is running as root, but the home folder " + display_path(home) +
                      " belongs to another user; run it without sudo, as that user");
}
