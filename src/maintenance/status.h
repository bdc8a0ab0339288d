// `pelk laptop status`: the five-line health report.
#pragma once

#include <string>

#include "state/command_error.h"
#include "tools/laptop_context.h"

[[nodiscard]] Result<std::string> laptop_status(const LaptopContext& context);
