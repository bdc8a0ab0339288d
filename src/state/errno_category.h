// The category of the C library's errno numbers. On POSIX they are the
// system's own codes; on Windows the system's codes are Win32 errors, a
// different numbering, so errno values belong to the generic category there.
#pragma once

#include <system_error>

const std::error_category& errno_category();
