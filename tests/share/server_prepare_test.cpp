#include "share/server_prepare.h"

#include <gtest/gtest.h>

#include <string>

TEST(ServerPrepare, RetentionClauseAndPreparation) {
  EXPECT_EQ(retention_clause("Share/my-laptop", 7),
            " && find Share/my-laptop -path Share/my-laptop/keep -prune -o -type f -mmin +10080 -exec rm -f {} +");
  EXPECT_EQ(retention_clause("Share/x", 1), " && find Share/x -path Share/x/keep -prune -o -type f -mmin +1440 -exec rm -f {} +");
  EXPECT_EQ(retention_clause("Share/x", 4294967295u),
            " && find Share/x -path Share/x/keep -prune -o -type f -mmin +6184752904800 -exec rm -f {} +");

  const std::string base =
      "cd && if [ -d Shots ] && [ ! -L Shots ] && [ ! -e Share ]; then mv Shots Share && ln -s Share Shots; fi && "
      "mkdir -p Share/my-laptop/out";
  EXPECT_EQ(server_prepare_command("my-laptop", 0), base);
  EXPECT_EQ(server_prepare_command("my-laptop", 2), base + retention_clause("Share/my-laptop", 2));
}
