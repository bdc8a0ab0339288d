// The share folder and its two sessions, brought into the state the flags ask for.
#pragma once

#include <cstdint>

#include "state/command_error.h"
#include "tools/laptop_context.h"

[[nodiscard]] Result<void> setup_share(const LaptopContext& context);
// `pelk laptop share on` (on = true) and `pelk laptop share off`.
[[nodiscard]] Result<void> set_sharing(const LaptopContext& context, bool on);
// `pelk laptop share keep DAYS`.
[[nodiscard]] Result<void> set_keep_days(const LaptopContext& context, std::uint32_t days);
