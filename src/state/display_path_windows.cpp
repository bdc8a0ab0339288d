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
