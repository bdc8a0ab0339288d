// `pelk laptop disconnect`: takes the connection down; files and trust stay.
#pragma once

#include "state/command_error.h"
#include "tools/laptop_context.h"

[[nodiscard]] Result<void> disconnect_laptop(const LaptopContext& context);
