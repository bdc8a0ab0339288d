#include "filesync/sync_spec.h"

#include <gtest/gtest.h>

TEST(SyncSpec, TheDefaultRules) {
  const std::vector<std::string> patterns = {
      "node_modules", "vendor", ".DS_Store", "._*", "target", ".phpunit.cache", "public/build", "public/hot",
      "storage/framework", "storage/logs", "**/bin/Debug", "**/bin/Release", "obj", ".gradle", ".pelk-compiled",
      ".dart_tool", ".flutter-plugins", ".flutter-plugins-dependencies", "Generated.xcconfig",
      "flutter_export_environment.sh", "local.properties", "**/flutter/ephemeral", "**/ios/Pods", "**/macos/Pods"};
  EXPECT_EQ(default_sync_spec(), (SyncSpec{0, true, patterns, {}, {}}));
  EXPECT_EQ(ignore_patterns(default_sync_spec()), patterns);
}

TEST(SyncSpec, ReadsValidRules) {
  struct Case {
    std::string text;
    SyncSpec spec;
  };
  const Case cases[] = {
      {R"({"version":7,"enabled":false,"ignores":["*.log"],"server_only":["api"],"projects":["api","web"]})",
       {7, false, {"*.log"}, {"api"}, {"api", "web"}}},
      {" \n{\"projects\":[\"a\"],\"ignores\":[],\"other\":{\"x\":[1,2]},\"other\":3,\"enabled\":true,"
       "\"version\":18446744073709551615}\r\n\t",
       {18446744073709551615u, true, {}, {}, {"a"}}},
      {R"({"version":0,"enabled":true,"ignores":["caf\u00e9"]})", {0, true, {"caf\xc3\xa9"}, {}, {}}},
  };
  for (const auto& c : cases) {
    auto spec = parse_sync_spec(c.text);
    ASSERT_TRUE(spec) << c.text << ": " << spec.error();
    EXPECT_EQ(*spec, c.spec) << c.text;
  }
}

TEST(SyncSpec, RefusesInvalidRules) {
  const std::string invalid[] = {
      "",
      "[]",
      R"({"enabled":true,"ignores":[]})",
      R"({"version":1,"ignores":[]})",
      R"({"version":1,"enabled":true})",
      R"({"version":-1,"enabled":true,"ignores":[]})",
      R"({"version":1.5,"enabled":true,"ignores":[]})",
      R"({"version":1e3,"enabled":true,"ignores":[]})",
      R"({"version":18446744073709551616,"enabled":true,"ignores":[]})",
      R"({"version":"1","enabled":true,"ignores":[]})",
      R"({"version":1,"enabled":"yes","ignores":[]})",
      R"({"version":1,"enabled":true,"ignores":[1]})",
      R"({"version":1,"enabled":true,"ignores":"node_modules"})",
      R"({"version":1,"enabled":true,"ignores":[],"server_only":null})",
      R"({"version":1,"enabled":true,"ignores":[],"projects":[null]})",
      R"({"version":1,"enabled":true,"enabled":false,"ignores":[]})",
      R"({"version":1,"enabled":true,"ignores":[],"server_only":[],"server_only":[]})",
      R"({"version":1,"enabled":true,"ignores":[]} {})",
      R"({"version":1,"enabled":true,"ignores":[]}x)",
      R"({"version":1,"enabled":true,"ignores":[])",
  };
  for (const auto& text : invalid) EXPECT_FALSE(parse_sync_spec(text)) << text;
}

TEST(SyncSpec, WritesTwoSpaceRecordsThatReadBack) {
  SyncSpec spec{3, false, {"node_modules", "a\"b"}, {}, {"api"}};
  const std::string text = sync_spec_text(spec);
  EXPECT_EQ(text,
            "{\n"
            "  \"version\": 3,\n"
            "  \"enabled\": false,\n"
            "  \"ignores\": [\n"
            "    \"node_modules\",\n"
            "    \"a\\\"b\"\n"
            "  ],\n"
            "  \"server_only\": [],\n"
            "  \"projects\": [\n"
            "    \"api\"\n"
            "  ]\n"
            "}");
  EXPECT_EQ(parse_sync_spec(text).value(), spec);
  EXPECT_EQ(parse_sync_spec(sync_spec_text(default_sync_spec())).value(), default_sync_spec());
}

TEST(SyncSpec, ProjectNamesAndTheirPatterns) {
  const std::pair<std::string, bool> names[] = {
      {"api", true},   {"my-app_2.0", true}, {"A", true},    {"-x", true},     {"", false},
      {".", false},    {"..", false},        {".env", false}, {"../x", false}, {"a/b", false},
      {"a\\b", false}, {"my app", false},    {"caf\xc3\xa9", false},           {"a\nb", false},
  };
  for (const auto& [name, valid] : names) EXPECT_EQ(valid_project_name(name), valid) << name;

  SyncSpec spec{0, true, {"*.log", "tmp"}, {"api", "../x", ".env", "a/b", "", "web"}, {}};
  EXPECT_EQ(ignore_patterns(spec), (std::vector<std::string>{"*.log", "tmp", "/api", "/web"}));
}
