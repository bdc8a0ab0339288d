#include "state/file_io.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

size_t entries_in(const fs::path& folder) {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++count;
  return count;
}

}  // namespace

TEST(WindowsFileIo, ReplacesFilesWholeAndLeavesNoTemporaryFile) {
  TempFolder folder;
  fs::path file = folder / "caf\u00e9.json";
  ASSERT_TRUE(write_file_atomically(file, "first"));
  ASSERT_TRUE(write_file_atomically(file, std::string("second\r\n\0end", 13)));
  auto content = read_file(file);
  ASSERT_TRUE(content) << content.error().display();
  EXPECT_EQ(*content, std::string("second\r\n\0end", 13));
  EXPECT_EQ(entries_in(folder.path()), 1u);
}

// A read-only file is refused as writing it in place would be, and stays.
TEST(WindowsFileIo, ReadOnlyFileIsRefusedAndNewOnesCanBeReadOnly) {
  TempFolder folder;
  fs::path file = folder / "ca.pem";
  write_text(file, "old");
  ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
  auto written = write_file_atomically(file, "new");
  ASSERT_FALSE(written);
  EXPECT_EQ(written.error().code(), std::error_code(ERROR_ACCESS_DENIED, std::system_category()));
  EXPECT_EQ(read_text(file), "old");
  EXPECT_TRUE(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(entries_in(folder.path()), 1u);
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);

  fs::path fresh = folder / "fresh";
  ASSERT_TRUE(write_file_atomically(fresh, "x", fs::perms(0444)));
  EXPECT_TRUE(GetFileAttributesW(fresh.c_str()) & FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW(fresh.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WindowsFileIo, MissingFilesAndFoldersAreNotFoundOtherFailuresAreNot) {
  TempFolder folder;
  for (fs::path missing : {folder / "absent", folder / "no-folder" / "absent"}) {
    auto read = read_file(missing);
    ASSERT_FALSE(read);
    EXPECT_TRUE(is_not_found(read.error())) << read.error().display();
  }
  auto into_missing_folder = write_file_atomically(folder / "no-folder" / "file", "x");
  ASSERT_FALSE(into_missing_folder);
  EXPECT_TRUE(is_not_found(into_missing_folder.error()));

  fs::create_directories(folder / "a-folder");
  auto read_folder = read_file(folder / "a-folder");
  ASSERT_FALSE(read_folder);
  EXPECT_TRUE(read_folder.error().is_io());
  EXPECT_FALSE(is_not_found(read_folder.error()));
  EXPECT_NE(read_folder.error().display().find("(os error "), std::string::npos);

  auto over_folder = write_file_atomically(folder / "a-folder", "x");
  ASSERT_FALSE(over_folder);
  EXPECT_TRUE(fs::is_directory(folder / "a-folder"));
  EXPECT_EQ(entries_in(folder.path()), 1u);
}

TEST(WindowsFileIo, LinkIsFollowedAndKept) {
  TempFolder folder;
  fs::path real = folder / "real-config";
  fs::path link = folder / "config";
  write_text(real, "old");
  if (!CreateSymbolicLinkW(link.c_str(), real.c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE)) {
    GTEST_SKIP() << "this Windows does not let the test create a symbolic link (error " << GetLastError() << ")";
  }
  DWORD attributes = GetFileAttributesW(link.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    // Wine reports success but makes no link.
    GTEST_SKIP() << "the symbolic link was reported made but is not there";
  }
  auto written = write_file_atomically(link, "new");
  ASSERT_TRUE(written) << written.error().display();
  EXPECT_TRUE(GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_EQ(read_text(real), "new");
  EXPECT_EQ(read_text(link), "new");
}
