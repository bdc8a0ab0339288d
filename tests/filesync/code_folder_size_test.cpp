#include "filesync/code_folder_size.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// Sparse, so a 5 GiB file costs no disk space.
void sized_file(const fs::path& path, std::uint64_t size) {
  write_text(path, "");
  fs::resize_file(path, size);
}

}  // namespace

TEST(CodeFolderSize, TheNoteComesOnlyPastFiveGiB) {
  TempFolder home;
  fs::path code = home / "Code";
  sized_file(code / "a/b/c/video.mov", kLargeCodeFolderBytes - 10);
  sized_file(code / "a/notes.txt", 10);
  EXPECT_EQ(code_folder_size_note(code), std::nullopt);

  sized_file(code / "z/one-more", 1);
  EXPECT_EQ(code_folder_size_note(code),
            code.string() + " holds more than 5 GB; the first sync copies all of it to your server, which takes a while.");
}

TEST(CodeFolderSize, LinksAreNeverFollowed) {
  TempFolder home;
  fs::path code = home / "Code";
  sized_file(home / "elsewhere/huge.img", kLargeCodeFolderBytes + 1);
  fs::create_directories(code);
  fs::create_symlink(home / "elsewhere/huge.img", code / "file-link");
  fs::create_symlink(home / "elsewhere", code / "folder-link");
  EXPECT_EQ(code_folder_size_note(code), std::nullopt);

  // The link's own size (the length of its target text) does count.
  sized_file(code / "almost", kLargeCodeFolderBytes - 1);
  EXPECT_NE(code_folder_size_note(code), std::nullopt);
}

TEST(CodeFolderSize, AMissingFolderGivesNoNote) {
  TempFolder home;
  EXPECT_EQ(code_folder_size_note(home / "absent"), std::nullopt);
}
