#include "share/stored_name.h"

#include "state/text.h"

namespace fs = std::filesystem;

namespace {

bool is_continuation_byte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The first `limit` bytes or fewer, never ending inside a UTF-8 sequence.
std::string_view cut_to(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  while (end > 0 && is_continuation_byte(text[end])) --end;
  return text.substr(0, end);
}

}  // namespace

std::string without_control_characters(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    std::string_view rest = text;
    char32_t c = take_code_point(rest);
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      out.push_back('_');
    } else {
      out.append(text.substr(0, text.size() - rest.size()));  // the bytes as they came
    }
    text = rest;
  }
  return out;
}

std::string within_name_limit(std::string_view name) {
  if (name.size() <= kFileNameLimit) return std::string(name);
  std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0 && name.size() - dot < kFileNameLimit / 2) {
    std::string_view extension = name.substr(dot);
    return std::string(cut_to(name.substr(0, dot), kFileNameLimit - extension.size())) + std::string(extension);
  }
  return std::string(cut_to(name, kFileNameLimit));
}

std::string plain_stored_name(const fs::path& source) {
  fs::path name = source.filename();
  if (name.empty() || name == "." || name == "..") return "file";
  return within_name_limit(without_control_characters(display_path(name)));
}

std::string stamped_stored_name(std::string_view name, std::uint64_t millis, unsigned attempt) {
  std::string prefix = std::to_string(millis) + "-";
  if (attempt > 1) prefix += std::to_string(attempt) + "-";
  return within_name_limit(prefix + std::string(name));
}

std::string shot_stored_name(std::uint64_t millis, unsigned attempt) {
  std::string name = "shot-" + std::to_string(millis);
  if (attempt > 1) name += "-" + std::to_string(attempt);
  return name + ".png";
}
