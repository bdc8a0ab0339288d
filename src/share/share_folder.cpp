#include "share/share_folder.h"

namespace fs = std::filesystem;

fs::path share_folder(const fs::path& home) { return home / kShareFolderName; }
fs::path from_server_folder(const fs::path& home) { return share_folder(home) / kFromServerFolderName; }
fs::path keep_folder(const fs::path& home) { return share_folder(home) / kKeepFolderName; }

std::string server_share_folder(std::string_view laptop_name) {
  return "Share/" + std::string(laptop_name);
}

std::string server_file_path(std::string_view laptop_name, std::string_view stored_name) {
  return std::string(kServerShareRoot) + "/" + std::string(laptop_name) + "/" + std::string(stored_name);
}

