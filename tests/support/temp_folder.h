// A fresh folder under the system's temporary folder, removed with the object.
// Tests use it as the home folder, so nothing touches the real home.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view relative) const { return path_ / relative; }

 private:
  std::filesystem::path path_;
};

// Test file helpers: write (creating parents) and read whole files.
void write_text(const std::filesystem::path& file, std::string_view content);
std::string read_text(const std::filesystem::path& file);
