// The file writer under SIGKILL: a child process replacing a large SSH config
// is killed at random points, and the file is always either the old one or
// the new one, never a mix, a truncated file or nothing.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "state/file_io.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

std::string large_ssh_config(int hosts, std::string_view address) {
  std::string text = "Include ~/.ssh/config.d/*\nAddKeysToAgent yes\n\n";
  for (int i = 0; i < hosts; ++i) {
    text += "Host box" + std::to_string(i) + "\n    HostName " + std::string(address) + "\n    User u" +
            std::to_string(i) + "\n    IdentityFile ~/.ssh/id_ed25519\n\n";
  }
  return text;
}

// Forks a child that writes `content` over `target` and ends; the parent
// kills it with SIGKILL after `delay` (or lets it finish when there is none).
void write_in_child(const fs::path& target, const std::string& content, std::chrono::microseconds delay,
                    bool kill_it) {
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto written = write_file_atomically(target, content);
    ::_exit(written ? 0 : 1);
  }
  if (kill_it) {
    std::this_thread::sleep_for(delay);
    ::kill(child, SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  if (!kill_it) {
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
}

bool has_temporary_file(const fs::path& folder, const fs::path& target) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path() != target) return true;
  }
  return false;
}

void remove_all_but(const fs::path& folder, const fs::path& target) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path() != target) fs::remove(entry.path());
  }
}

}  // namespace

TEST(FileWriterCrashProperty, KilledWriterLeavesTheOldFileOrTheNewOne) {
  TempFolder folder;
  const fs::path target = folder / "config";
  const std::string old_content = large_ssh_config(15000, "10.0.0.1");     // about 1.3 MB
  const std::string new_content = large_ssh_config(22000, "100.64.0.7");   // longer, so a cut shows

  // How long one whole write takes here, child start included: the middle
  // of five, as the first runs meet a cold cache.
  std::vector<std::chrono::microseconds> takes;
  for (int i = 0; i < 5; ++i) {
    write_text(target, old_content);
    auto started = std::chrono::steady_clock::now();
    write_in_child(target, new_content, {}, false);
    takes.push_back(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started));
    ASSERT_EQ(read_text(target), new_content);
  }
  std::ranges::sort(takes);
  const std::chrono::microseconds whole = takes[2];

  std::mt19937 random(4242);
  std::uniform_int_distribution<long long> delay(0, whole.count());
  int old_seen = 0, new_seen = 0, killed_while_writing = 0;
  for (int run = 0; run < 200; ++run) {
    write_text(target, old_content);
    write_in_child(target, new_content, std::chrono::microseconds(delay(random)), true);
    const std::string now = read_text(target);
    ASSERT_TRUE(now == old_content || now == new_content)
        << "run " << run << ": " << now.size() << " bytes, neither the old file nor the new one";
    (now == old_content ? old_seen : new_seen) += 1;
    if (now == old_content && has_temporary_file(folder.path(), target)) ++killed_while_writing;
    remove_all_but(folder.path(), target);
  }
  // The kills landed before, during and after the writes, or the runs proved little.
  EXPECT_GT(old_seen, 0);
  EXPECT_GT(new_seen, 0);
  EXPECT_GT(killed_while_writing, 0);
  std::printf("old file %d times (killed while writing %d), new file %d times; a whole write took %lld us\n",
              old_seen, killed_while_writing, new_seen, static_cast<long long>(whole.count()));
}
