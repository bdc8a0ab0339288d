#include "state/paths.h"

#include <gtest/gtest.h>

#include <string>

TEST(Paths, OverlapByWholeComponents) {
  struct Case {
    std::string a, b;
    bool overlap;
  };
  const Case cases[] = {
      {"/home/ann/Code", "/home/ann/Code", true},   {"/home/ann/Code", "/home/ann/Code/app", true},
      {"/home/ann", "/home/ann/Code", true},        {"/home/ann/Code/", "/home/ann//Code", true},
      {"/home/ann/Code", "/home/ann/Code2", false}, {"/home/ann/Co", "/home/ann/Code", false},
      {"/", "/home/ann/Code", true},                {"Code", "/home/ann/Code", false},
      {"home/ann/Code", "/home/ann/Code", false},   {"", "/home", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(paths_overlap(c.a, c.b), c.overlap) << c.a << " / " << c.b;
    EXPECT_EQ(paths_overlap(c.b, c.a), c.overlap) << c.b << " / " << c.a;
  }
}

TEST(Paths, SameByWholeComponents) {
  struct Case {
    std::string a, b;
    bool same;
  };
  const Case cases[] = {
      {"/home/ann/Code", "/home/ann/Code", true},    {"/home/ann/Code/", "/home/ann//Code", true},
      {"/home/ann/./Code", "/home/ann/Code", true},  {"./Code", "Code", true},
      {"/home/ann/Code", "/home/ann/code", false},   {"/home/ann/Code", "/home/ann/Code/app", false},
      {"/home/ann/../ann/Code", "/home/ann/Code", false}, {"Code", "/Code", false},
      {"", "/", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(same_path(c.a, c.b), c.same) << c.a << " / " << c.b;
    EXPECT_EQ(same_path(c.b, c.a), c.same) << c.b << " / " << c.a;
  }
}
