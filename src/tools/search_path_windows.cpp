#include "tools/search_path.h"

#include <algorithm>
#include <mutex>

#include "state/environment_windows.h"
#include "state/paths.h"
#include "state/wide_text_windows.h"
#include "tools/search_path_windows.h"

namespace fs = std::filesystem;

namespace {

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

// A path reduced to what makes it the same folder: the drive, how many
// separators lead (none, one, or two for a network share) and the non-empty
// components. So "C:\a\b\", "C:/a//b" and "C:\a\b" agree, "C:a\b" does not.
struct PathShape {
  std::wstring drive;
  int leading_separators = 0;
  std::vector<std::wstring_view> parts;
  bool operator==(const PathShape&) const = default;
};

PathShape shape_of(std::wstring_view text) {
  PathShape shape;
  if (text.size() >= 2 && text[1] == L':') {
    shape.drive = std::wstring(text.substr(0, 2));
    text.remove_prefix(2);
  }
  while (!text.empty() && is_separator(text.front())) {
    shape.leading_separators = std::min(shape.leading_separators + 1, 2);
    text.remove_prefix(1);
  }
  while (!text.empty()) {
    size_t end = 0;
    while (end < text.size() && !is_separator(text[end])) ++end;
    if (end > 0) shape.parts.push_back(text.substr(0, end));
    text.remove_prefix(end == text.size() ? end : end + 1);
  }
  return shape;
}

std::mutex& environment_lock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

std::vector<std::wstring> split_search_path_wide(std::wstring_view value) {
  std::vector<std::wstring> entries(1);
  bool quoted = false;
  for (wchar_t c : value) {
    if (c == L'"') {
      quoted = !quoted;
    } else if (c == L';' && !quoted) {
      entries.emplace_back();
    } else {
      entries.back() += c;
    }
  }
  return entries;
}

std::optional<std::wstring> join_search_path_wide(const std::vector<std::wstring>& entries) {
  std::wstring out;
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::wstring& entry = entries[i];
    if (entry.find(L'"') != std::wstring::npos) return std::nullopt;
    if (i > 0) out += L';';
    if (entry.find(L';') != std::wstring::npos) {
      out += L'"' + entry + L'"';
    } else {
      out += entry;
    }
  }
  return out;
}

std::optional<std::wstring> search_path_with_first_wide(std::wstring_view value, const fs::path& folder) {
  auto entries = split_search_path_wide(value);
  PathShape wanted = shape_of(folder.native());
  for (const auto& entry : entries) {
    if (shape_of(entry) == wanted) return std::nullopt;
  }
  entries.insert(entries.begin(), folder.native());
  return join_search_path_wide(entries);
}

std::vector<std::string> split_search_path(std::string_view value) {
  std::vector<std::string> entries;
  for (const auto& entry : split_search_path_wide(widen(value))) entries.push_back(narrow(entry));
  return entries;
}

std::optional<std::string> join_search_path(const std::vector<std::string>& entries) {
  std::vector<std::wstring> wide;
  for (const auto& entry : entries) wide.push_back(widen(entry));
  auto joined = join_search_path_wide(wide);
  if (!joined) return std::nullopt;
  return narrow(*joined);
}

std::optional<std::string> search_path_with_first(std::string_view value, const fs::path& folder) {
  auto updated = search_path_with_first_wide(widen(value), folder);
  if (!updated) return std::nullopt;
  return narrow(*updated);
}

// PATH is handled as wide text from read to write, so entries that are not
// valid Unicode survive unchanged.
void ensure_tools_on_path(const fs::path& home) {
  fs::path folder = tools_dir(home);
  std::lock_guard guard(environment_lock());
  auto current = environment_variable(L"PATH");
  auto updated = search_path_with_first_wide(current ? *current : std::wstring(), folder);
  if (updated) set_environment_variable(L"PATH", *updated);
}
