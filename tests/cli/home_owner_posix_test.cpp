// Who owns the home folder, as the system sees it, and a root run of the
// real command for another user's home.
#include "cli/home_owner.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "program_run.h"
#include "state/paths.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

}  // namespace

TEST(HomeOwner, ComparesTheHomeFoldersOwnerWithThisProcess) {
  TempFolder own;
  bool root = ::geteuid() == 0;
  struct Row {
    fs::path home;
    bool another_user;
  };
  const Row rows[] = {
      {own.path(), false},
      {own / "missing", false},  // nothing to look at, nothing amiss
      {"/", !root},              // root's own folder
  };
  for (const auto& row : rows) {
    HomeOwnership found = home_ownership(row.home);
    EXPECT_EQ(found.running_as_root, root) << row.home;
    EXPECT_EQ(found.owned_by_another_user, row.another_user) << row.home;
  }
}

// The real command, run as root for a home folder that belongs to another
// user: it stops before it writes anything there.
TEST(HomeOwner, RootRunForAnotherUsersHomeChangesNothing) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run pelk as root";
  TempFolder home;
  ASSERT_EQ(::chown(home.path().c_str(), kNobody, kNobody), 0);
  ProgramRun run = run_program(pelk_binary(), {"laptop", "share", "keep", "3"}, {{"HOME", home.path().string()}});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "pelk: pelk is running as root, but the home folder " + home.path().string() +
                         " belongs to another user; run it without sudo, as that user\n");
  EXPECT_FALSE(fs::exists(state_dir(home.path())));
}
