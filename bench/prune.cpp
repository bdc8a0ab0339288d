// Times prune_share_folder against find(1) doing the same deletion.
//
// Two identical folders of N files are made, half of them modified two days
// ago and half an hour ago. prune_share_folder with a one-day limit runs on
// one, "find DIR -maxdepth 1 -type f -mmin +1440 -delete" on the other; the
// order alternates between rounds and the medians are compared.
//
// Usage: bench_prune [FILES [ROUNDS [PARENT]]]   (defaults: 100000 3 $TMPDIR)

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "share/retention.h"

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr long kDay = 86400;

void fill(const fs::path& folder, long files, time_t now) {
  fs::create_directories(folder);
  for (long i = 0; i < files; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "shot-%07ld.png", i);
    int fd = ::open((folder / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
      std::perror("open");
      std::exit(1);
    }
    time_t modified = i % 2 == 0 ? now - 2 * kDay : now - 1800;
    struct timespec times[2] = {{modified, 0}, {modified, 0}};
    ::futimens(fd, times);
    ::close(fd);
  }
}

long count_files(const fs::path& folder) {
  return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
}

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double cpu_seconds(const struct rusage& usage) {
  auto seconds = [](const struct timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Wall-clock and CPU (user + system) seconds of one run.
struct Timing {
  double wall;
  double cpu;
};

Timing time_prune(const fs::path& folder) {
  struct rusage before {}, after {};
  ::getrusage(RUSAGE_SELF, &before);
  auto start = Clock::now();
  prune_share_folder(folder, std::chrono::system_clock::now(), kDay);
  double wall = seconds_since(start);
  ::getrusage(RUSAGE_SELF, &after);
  return {wall, cpu_seconds(after) - cpu_seconds(before)};
}

Timing time_find(const fs::path& folder) {
  std::string dir = folder.string();
  const char* argv[] = {"find", dir.c_str(), "-maxdepth", "1", "-type", "f", "-mmin", "+1440", "-delete", nullptr};
  auto start = Clock::now();
  pid_t pid;
  if (posix_spawnp(&pid, "find", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
    std::perror("find");
    std::exit(1);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  double elapsed = seconds_since(start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "find failed\n");
    std::exit(1);
  }
  return {elapsed, cpu_seconds(usage)};
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  long files = argc > 1 ? std::atol(argv[1]) : 100000;
  int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  fs::path parent = argc > 3 ? fs::path(argv[3]) : fs::temp_directory_path();
  fs::path work = parent / ("pelk-bench-prune-" + std::to_string(::getpid()));

  std::vector<Timing> prune_times, find_times;
  for (int round = 0; round < rounds; ++round) {
    fs::path ours = work / "prune", theirs = work / "find";
    time_t now = ::time(nullptr);
    fill(ours, files, now);
    fill(theirs, files, now);
    ::sync();
    if (round % 2 == 0) {
      prune_times.push_back(time_prune(ours));
      find_times.push_back(time_find(theirs));
    } else {
      find_times.push_back(time_find(theirs));
      prune_times.push_back(time_prune(ours));
    }
    long left_ours = count_files(ours), left_theirs = count_files(theirs);
    if (left_ours != files - (files + 1) / 2 || left_ours != left_theirs) {
      std::fprintf(stderr, "different results: prune left %ld, find left %ld\n", left_ours, left_theirs);
      return 1;
    }
    std::printf("round %d: prune_share_folder %.3f s (cpu %.3f s), find %.3f s (cpu %.3f s)\n", round + 1,
                prune_times.back().wall, prune_times.back().cpu, find_times.back().wall, find_times.back().cpu);
    fs::remove_all(work);
  }
  auto median_of = [](const std::vector<Timing>& timings, double Timing::*field) {
    std::vector<double> values;
    for (const Timing& t : timings) values.push_back(t.*field);
    return median(values);
  };
  double wall_ours = median_of(prune_times, &Timing::wall), wall_theirs = median_of(find_times, &Timing::wall);
  double cpu_ours = median_of(prune_times, &Timing::cpu), cpu_theirs = median_of(find_times, &Timing::cpu);
  std::printf("%ld files, half past the limit, median of %d rounds:\n", files, rounds);
  std::printf("  wall: prune_share_folder %.3f s, find %.3f s, ratio %.2f\n", wall_ours, wall_theirs,
              wall_ours / wall_theirs);
  std::printf("  cpu:  prune_share_folder %.3f s, find %.3f s, ratio %.2f\n", cpu_ours, cpu_theirs,
              cpu_ours / cpu_theirs);
  return 0;
}
