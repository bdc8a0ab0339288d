#include "state/text.h"

#include "state/wide_text_windows.h"

// Windows accepts both separators, but users read and paste backslashes, so a
// path joined with forward slashes is shown with the native ones.
std::string display_path(const std::filesystem::path& path) {
  std::string text = narrow(path.native());
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  return text;
}

std::optional<std::string> unicode_path_text(const std::filesystem::path& path) {
  const std::wstring& text = path.native();
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        ++i;
        continue;
      }
      return std::nullopt;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) return std::nullopt;
  }
  return narrow(text);
}
