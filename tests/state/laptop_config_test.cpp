#include "state/laptop_config.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "state/paths.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

TEST(LaptopConfig, RoundTripKeepsWindowsPathAndLayout) {
  TempFolder home;
  fs::create_directories(state_dir(home.path()));
  LaptopConfig config{"pelk", "100.64.0.7", fs::path("C:\\Users\\ann\\Code")};
  ASSERT_TRUE(save_config(home.path(), config));
  EXPECT_EQ(read_text(state_dir(home.path()) / "laptop.json"),
            "{\n  \"server\": \"pelk\",\n  \"address\": \"100.64.0.7\",\n  \"code_dir\": \"C:\\\\Users\\\\ann\\\\Code\"\n}");
  auto loaded = load_config(home.path());
  ASSERT_TRUE(loaded) << loaded.error().display();
  EXPECT_EQ(*loaded, config);
}

TEST(LaptopConfig, EscapesControlCharactersAndKeepsUnicode) {
  LaptopConfig config{"a\"b\\c", "1.2.3.4", fs::path("/x/\x01\t\n/caf\xc3\xa9")};
  auto text = laptop_config_text(config);
  ASSERT_TRUE(text);
  EXPECT_NE(text->find("\"a\\\"b\\\\c\""), std::string::npos);
  EXPECT_NE(text->find("\"/x/\\u0001\\t\\n/caf\xc3\xa9\""), std::string::npos);
  auto back = parse_laptop_config(*text);
  ASSERT_TRUE(back) << back.error();
  EXPECT_EQ(*back, config);
}

TEST(LaptopConfig, InvalidUtf8CodeFolderIsNotWritten) {
  TempFolder home;
  auto saved = save_config(home.path(), {"pelk", "1.2.3.4", fs::path("/x/\xff")});
  ASSERT_FALSE(saved);
  EXPECT_TRUE(saved.error().is_io());
  EXPECT_EQ(saved.error().display(), "path contains invalid UTF-8 characters");
  EXPECT_FALSE(fs::exists(state_dir(home.path()) / "laptop.json"));
}

TEST(LaptopConfig, ReadsAnyOrderAndIgnoresOtherMembers) {
  auto config = parse_laptop_config(
      " {\"code_dir\":\"/c\",\"extra\":{\"n\":[1,2]},\"address\":\"1.2.3.4\",\"server\":\"s\",\"x\":5}\n\r\t ");
  ASSERT_TRUE(config) << config.error();
  EXPECT_EQ(config->server, "s");
  EXPECT_EQ(config->address, "1.2.3.4");
  EXPECT_EQ(config->code_dir, fs::path("/c"));
}

TEST(LaptopConfig, DamagedFilesNameTheFaultAndItsPlace) {
  struct Case {
    std::string text;
    std::string fault;
  };
  const Case cases[] = {
      {"{}", "missing field `server` at line 1 column 2"},
      {"{\"server\":\"a\",\n\"address\":\"b\"}", "missing field `code_dir` at line 2 column 14"},
      {"{\"server\":\"a\",\"server\":\"b\",\"address\":\"c\",\"code_dir\":\"d\"}", "duplicate field `server` at line 1 column 22"},
      {"{\"server\":5,\"address\":\"c\",\"code_dir\":\"d\"}", "invalid type: integer `5`, expected a string at line 1 column 12"},
  };
  for (const auto& c : cases) {
    auto result = parse_laptop_config(c.text);
    ASSERT_FALSE(result) << c.text;
    EXPECT_EQ(result.error(), c.fault) << c.text;
  }
  for (std::string text : {"", "{\"server\":\"a\",\"address\":\"b\",\"code_dir\":\"c\"} {}", "[1]", "{\"server\":",
                           "{\"server\":\"a\",\"address\":\"b\",\"code_dir\":\"c\"}x"}) {
    auto result = parse_laptop_config(text);
    ASSERT_FALSE(result) << text;
    EXPECT_NE(result.error().find(" at line "), std::string::npos) << result.error();
  }
}

TEST(LaptopConfig, LoadFailuresGiveTheirMessages) {
  TempFolder home;
  auto missing = load_config(home.path());
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().display(), "this laptop is not connected yet; run pelk laptop connect");

  write_text(state_dir(home.path()) / "laptop.json", "{}");
  auto damaged = load_config(home.path());
  ASSERT_FALSE(damaged);
  EXPECT_EQ(damaged.error().display(), "~/.config/pelk/laptop.json is damaged: missing field `server` at line 1 column 2");

  fs::remove(state_dir(home.path()) / "laptop.json");
  fs::create_directories(state_dir(home.path()) / "laptop.json");
  auto folder = load_config(home.path());
  ASSERT_FALSE(folder);
  EXPECT_TRUE(folder.error().is_io());
  EXPECT_NE(folder.error().display().find("(os error "), std::string::npos);
}
