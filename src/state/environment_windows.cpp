#include "state/environment_windows.h"

#include <windows.h>

std::optional<std::wstring> environment_variable(const wchar_t* name) {
  std::wstring value(256, L'\0');
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    DWORD length = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) {
      // Zero is both "absent" and "set but empty"; only the error tells them apart.
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::wstring();
    }
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.resize(length);  // too small: `length` is the size needed, with the terminator
  }
}

bool set_environment_variable(const wchar_t* name, const std::wstring& value) {
  return ::SetEnvironmentVariableW(name, value.c_str()) != 0;
}
