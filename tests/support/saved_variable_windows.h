// Puts a variable of the process environment back as it was when the test ends.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "state/environment_windows.h"

class SavedVariable {
 public:
  explicit SavedVariable(const wchar_t* name) : name_(name), value_(environment_variable(name)) {}
  ~SavedVariable() { SetEnvironmentVariableW(name_, value_ ? value_->c_str() : nullptr); }
  SavedVariable(const SavedVariable&) = delete;
  SavedVariable& operator=(const SavedVariable&) = delete;

 private:
  const wchar_t* name_;
  std::optional<std::wstring> value_;
};
