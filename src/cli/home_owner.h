// Whether a laptop command runs as root for a home folder that another user
// owns (`sudo pelk ...` with HOME kept, as macOS's sudo keeps it). Such a run
// would leave root-owned files in that home: an SSH config the user's ssh
// refuses, state files the user cannot replace.
#pragma once

#include <filesystem>

#include "state/command_error.h"

struct HomeOwnership {
  bool running_as_root = false;
  bool owned_by_another_user = false;
};

// This process and the home folder as the system sees them. On Windows, and
// for a home folder that cannot be looked at, nothing is found amiss.
HomeOwnership home_ownership(const std::filesystem::path& home);

// The refusal of a root run for another user's home folder.
[[nodiscard]] Result<void> check_home_owner(const HomeOwnership& ownership, const std::filesystem::path& home);
