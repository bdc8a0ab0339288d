#include "state/paths.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "state/environment_windows.h"
#include "state/text.h"
#include "support/saved_variable_windows.h"

namespace fs = std::filesystem;

TEST(WindowsHomeFolder, ComesFromUserProfileAsWideText) {
  SavedVariable saved(L"USERPROFILE");
  SetEnvironmentVariableW(L"USERPROFILE", nullptr);
  EXPECT_EQ(read_home_folder(), std::nullopt);

  SetEnvironmentVariableW(L"USERPROFILE", L"");
  EXPECT_EQ(read_home_folder(), fs::path());

  // Not valid Unicode, yet kept exactly as the environment holds it.
  const std::wstring odd = L"C:\\Users\\Zo\u00eb\xDC00x";
  SetEnvironmentVariableW(L"USERPROFILE", odd.c_str());
  auto home = read_home_folder();
  ASSERT_TRUE(home);
  EXPECT_EQ(home->native(), odd);
  EXPECT_EQ(display_path(state_dir(*home)), "C:\\Users\\Zo\xc3\xab\xef\xbf\xbdx\\.config\\pelk");
}

TEST(WindowsHomeFolder, StateFoldersUseBackslashes) {
  fs::path home = L"C:\\Users\\ann";
  EXPECT_EQ(state_dir(home).native(), L"C:\\Users\\ann\\.config\\pelk");
  EXPECT_EQ(tools_dir(home).native(), L"C:\\Users\\ann\\.local\\share\\pelk\\bin");
  EXPECT_EQ(data_dir(home).native(), L"C:\\Users\\ann\\.local/share/pelk");
  EXPECT_EQ(mutagen_executable_name(), fs::path(L"mutagen.exe"));
}

TEST(WindowsDisplayPath, NativeSeparatorsAndReplacementCharacters) {
  struct Case {
    std::wstring path;
    std::string shown;
  };
  const Case cases[] = {
      {L"C:\\Users\\ann\\.local/share/pelk", "C:\\Users\\ann\\.local\\share\\pelk"},
      {L"\\\\server\\share\\x", "\\\\server\\share\\x"},
      {L"C:\\caf\u00e9\\\u2713", "C:\\caf\xc3\xa9\\\xe2\x9c\x93"},
      {L"C:\\\xD83D\xDE00", "C:\\\xf0\x9f\x98\x80"},  // a surrogate pair is one character
      {L"C:\\a\xD800" L"b\xDC00", "C:\\a\xef\xbf\xbd" "b\xef\xbf\xbd"},
      {L"C:\\\xDC00\xD800", "C:\\\xef\xbf\xbd\xef\xbf\xbd"},  // pair in the wrong order
  };
  for (const auto& c : cases) EXPECT_EQ(display_path(fs::path(c.path)), c.shown);
}
