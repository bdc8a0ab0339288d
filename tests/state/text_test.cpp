#include "state/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(Text, TakeCodePointDecodesAsUtf8LossyReplaces) {
  struct Case {
    std::string bytes;
    char32_t code_point;
    std::size_t taken;
  };
  const Case cases[] = {
      {"ab", U'a', 1},
      {"\xc3\xa9x", U'\u00e9', 2},
      {"\xe2\x9c\x93", U'\u2713', 3},
      {"\xf0\x9f\x98\x80!", U'\U0001F600', 4},
      {"\xff", U'\uFFFD', 1},
      {"\xe2\x9cx", U'\uFFFD', 2},            // cut short: the lead and the byte that fits
      {"\xed\xa0\x80", U'\uFFFD', 1},         // a surrogate is no character
      {"\xc0\xaf", U'\uFFFD', 1},             // overlong
      {"\xf4\x90\x80\x80", U'\uFFFD', 1},     // past U+10FFFF
      {"\x80\x80", U'\uFFFD', 1},             // a lone continuation byte
  };
  for (const auto& c : cases) {
    std::string_view rest = c.bytes;
    EXPECT_EQ(take_code_point(rest), c.code_point) << c.bytes;
    EXPECT_EQ(rest.size(), c.bytes.size() - c.taken) << c.bytes;
  }

  // Every U+FFFD that utf8_lossy writes is one that the decoder gives.
  const std::string mixed = "a\xe2\x9c\xff\xc3\xa9\xed\xa0\x80z";
  std::vector<char32_t> decoded;
  for (std::string_view rest = mixed; !rest.empty();) decoded.push_back(take_code_point(rest));
  EXPECT_EQ(decoded, (std::vector<char32_t>{U'a', U'\uFFFD', U'\uFFFD', U'\u00e9', U'\uFFFD', U'\uFFFD', U'\uFFFD',
                                            U'z'}));
  EXPECT_EQ(utf8_lossy(mixed), "a\xef\xbf\xbd\xef\xbf\xbd\xc3\xa9\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbdz");
}

TEST(Text, PlainDecimalCounts) {
  const std::pair<std::string, std::optional<std::uint32_t>> cases[] = {
      {"0", 0u},           {"010", 10u},        {"4294967295", 4294967295u}, {"4294967296", std::nullopt},
      {"99999999999999999999", std::nullopt},   {"", std::nullopt},          {"+5", std::nullopt},
      {"-1", std::nullopt}, {" 5", std::nullopt}, {"5 ", std::nullopt},       {"0x10", std::nullopt},
      {"1.0", std::nullopt},
  };
  for (const auto& [text, count] : cases) EXPECT_EQ(parse_plain_decimal_u32(text), count) << "'" << text << "'";
  EXPECT_EQ(parse_plain_decimal_u32(std::wstring_view(L"123")), 123u);
  EXPECT_EQ(parse_plain_decimal_u32(std::wstring_view(L"12\u0663")), std::nullopt);  // an Arabic-Indic digit
}
