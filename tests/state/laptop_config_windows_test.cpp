#include "state/laptop_config.h"

#include <gtest/gtest.h>

#include "state/paths.h"
#include "state/text.h"
#include "state/wide_text_windows.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

// A home folder whose name is not ASCII: the record lands under it and holds
// the code folder as UTF-8 with its backslashes doubled.
TEST(WindowsLaptopConfig, NonAsciiHomeRoundTrips) {
  TempFolder temp;
  fs::path home = temp.path() / L"Zo\u00eb \u2713";
  LaptopConfig config{"pelk", "100.64.0.7", home / L"Code"};
  fs::create_directories(state_dir(home));
  auto saved = save_config(home, config);
  ASSERT_TRUE(saved) << saved.error().display();

  std::string home_text = narrow(home.native());
  std::string doubled;
  for (char c : home_text) doubled += c == '\\' ? std::string("\\\\") : std::string(1, c);
  auto text = read_text(state_dir(home) / L"laptop.json");
  EXPECT_EQ(text, "{\n  \"server\": \"pelk\",\n  \"address\": \"100.64.0.7\",\n  \"code_dir\": \"" + doubled +
                      "\\\\Code\"\n}");
  EXPECT_NE(text.find("Zo\xc3\xab \xe2\x9c\x93"), std::string::npos);

  auto loaded = load_config(home);
  ASSERT_TRUE(loaded) << loaded.error().display();
  EXPECT_EQ(*loaded, config);
  EXPECT_EQ(display_path(loaded->code_dir), home_text + "\\Code");
}

// A Windows file name may hold a lone surrogate, which no UTF-8 text can
// carry: the record is refused, never written damaged and never a crash.
TEST(WindowsLaptopConfig, LoneSurrogateInTheCodeFolderIsRefused) {
  TempFolder home;
  std::wstring name = L"Code";
  name += static_cast<wchar_t>(0xD800);
  auto saved = save_config(home.path(), {"pelk", "100.64.0.7", home.path() / name});
  ASSERT_FALSE(saved);
  EXPECT_TRUE(saved.error().is_io());
  EXPECT_EQ(saved.error().display(), "path contains invalid UTF-8 characters");
  EXPECT_FALSE(fs::exists(state_dir(home.path()) / L"laptop.json"));
}
