#include "state/paths.h"

#include <gtest/gtest.h>

#include <string>

TEST(Paths, CompareByWholeComponents) {
  struct Case {
    std::string a, b;
    bool overlap;
    bool same;
  };
  const Case cases[] = {
      {"/home/ann/Code", "/home/ann/Code", true, true},
      {"/home/ann/Code", "/home/ann/Code/app", true, false},
      {"/home/ann", "/home/ann/Code", true, false},
      {"/home/ann/Code/", "/home/ann//Code", true, true},
      {"/home/ann/./Code", "/home/ann/Code", true, true},
      {"./Code", "Code", true, true},
      {"/home/ann/Code", "/home/ann/Code2", false, false},
      {"/home/ann/Co", "/home/ann/Code", false, false},
      {"/home/ann/Code", "/home/ann/code", false, false},  // letter case counts
      {"/home/ann/../ann/Code", "/home/ann/Code", false, false},
      {"/", "/home/ann/Code", true, false},
      {"Code", "/home/ann/Code", false, false},
      {"home/ann/Code", "/home/ann/Code", false, false},
      {"Code", "/Code", false, false},
      {"", "/home", false, false},
      {"", "/", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(paths_overlap(c.a, c.b), c.overlap) << c.a << " / " << c.b;
    EXPECT_EQ(paths_overlap(c.b, c.a), c.overlap) << c.b << " / " << c.a;
    EXPECT_EQ(same_path(c.a, c.b), c.same) << c.a << " / " << c.b;
    EXPECT_EQ(same_path(c.b, c.a), c.same) << c.b << " / " << c.a;
  }
}
