#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "state/command_error.h"
#include "state/file_io.h"

// errno numbers are not Win32 error codes (13 is "The data is invalid" there),
// so they must read as the C library means them, and as the file-system
// library reports its own errors.
TEST(WindowsErrno, ErrnoNumbersReadAsTheCLibraryMeansThem) {
  EXPECT_EQ(CommandError::io_errno(EACCES).display(), "Permission denied (os error 13)");
  EXPECT_EQ(CommandError::io_errno(EEXIST).display(), "File exists (os error 17)");

  std::error_code from_library;
  (void)std::filesystem::file_size("C:\\pelk-no-such-folder\\no-such-file", from_library);
  ASSERT_TRUE(from_library);
  EXPECT_EQ(CommandError::io_errno(ENOENT).display(), CommandError::io(from_library).display());
  EXPECT_TRUE(is_not_found(CommandError::io_errno(ENOENT)));
}
