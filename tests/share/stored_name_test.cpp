#include "share/stored_name.h"

#include <gtest/gtest.h>

#include "state/text.h"

// Names stay within 255 bytes whatever pelk adds, cut between whole UTF-8
// characters and keeping their extension; no control character survives.
TEST(StoredName, FitsTheLimitAndHoldsNoControlCharacters) {
  const std::string e = "\xc3\xa9";  // é, two bytes
  auto repeat = [](const std::string& piece, size_t times) {
    std::string text;
    for (size_t i = 0; i < times; ++i) text += piece;
    return text;
  };
  struct Case {
    std::string what;
    std::string name;
    std::string expected;
  };
  const Case cases[] = {
      {"255 bytes stay", repeat("n", 251) + ".txt", repeat("n", 251) + ".txt"},
      {"256 bytes lose one before the extension", repeat("n", 252) + ".txt", repeat("n", 251) + ".txt"},
      {"never half a character", repeat(e, 127) + ".txt", repeat(e, 125) + ".txt"},
      {"an extension too long to keep", "a." + repeat("x", 300), "a." + repeat("x", 253)},
      {"no extension", repeat("n", 300), repeat("n", 255)},
      {"a leading dot is no extension", "." + repeat("n", 300), "." + repeat("n", 254)},
  };
  for (const auto& c : cases) {
    std::string fitted = within_name_limit(c.name);
    EXPECT_EQ(fitted, c.expected) << c.what;
    EXPECT_LE(fitted.size(), kFileNameLimit) << c.what;
    EXPECT_TRUE(is_valid_utf8(fitted)) << c.what;
  }

  EXPECT_EQ(stamped_stored_name(repeat("n", 251) + ".txt", 1700000000123, 1),
            "1700000000123-" + repeat("n", 237) + ".txt");
  EXPECT_EQ(stamped_stored_name("c.txt", 1700000000123, 3), "1700000000123-3-c.txt");
  EXPECT_EQ(shot_stored_name(1700000000123, 1), "shot-1700000000123.png");
  EXPECT_EQ(shot_stored_name(1700000000123, 2), "shot-1700000000123-2.png");

  EXPECT_EQ(without_control_characters(std::string("a\nb\rc\td\0e\x1b[2Jf\x7fg", 16) + "\xc2\x85h\xc2\xa0i"),
            "a_b_c_d_e_[2Jf_g_h\xc2\xa0i");
}
