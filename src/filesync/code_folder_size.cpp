#include "filesync/code_folder_size.h"

#include "state/text.h"

std::optional<std::string> code_folder_size_note(const std::filesystem::path& code_folder) {
  if (!folder_exceeds(code_folder, kLargeCodeFolderBytes)) return std::nullopt;
  return display_path(code_folder) + " holds more than " + std::to_string(kLargeCodeFolderBytes >> 30) +
         " GB; the first sync copies all of it to your server, which takes a while.";
}
