// The process environment block on Windows, as wide text. This is the block
// that child processes inherit; the C runtime's getenv copy is not used.
#pragma once

#include <optional>
#include <string>

// The variable's value, or nothing when it is absent (an empty value is a value).
std::optional<std::wstring> environment_variable(const wchar_t* name);

// False when Windows refuses the value (for example one over its length limit).
bool set_environment_variable(const wchar_t* name, const std::wstring& value);
