#include "cli/home_owner.h"

#include "state/text.h"

Result<void> check_home_owner(const HomeOwnership& ownership, const std::filesystem::path& home) {
  if (!ownership.running_as_root || !ownership.owned_by_another_user) return {};
  return fail_message("pelk is running as root, but the home folder " + display_path(home) +
                      " belongs to another user; run it without sudo, as that user");
}
