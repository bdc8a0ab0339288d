#include "state/errno_category.h"

const std::error_category& errno_category() { return std::generic_category(); }
