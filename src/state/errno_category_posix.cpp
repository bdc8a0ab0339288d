#include "state/errno_category.h"

const std::error_category& errno_category() { return std::system_category(); }
