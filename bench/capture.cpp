// run_capture of a child that writes to standard output and standard error at
// the same time; prints the median throughput over both streams in MiB/s.
// Usage: bench_capture [MiB per stream, default 64] [runs, default 5]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/real_runner.h"

int main(int argc, char** argv) {
  long mib = argc > 1 ? std::atol(argv[1]) : 64;
  int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  if (mib <= 0 || runs <= 0) {
    std::fprintf(stderr, "usage: bench_capture [MiB per stream] [runs]\n");
    return 2;
  }
  const long bytes = mib * 1024 * 1024;
  const std::string count = std::to_string(bytes);
  const std::string script =
      "head -c " + count + " /dev/zero & head -c " + count + " /dev/zero >&2; wait";

  RealRunner runner;
  std::vector<double> rates;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    auto run = runner.run_capture("sh", {"-c", script}, std::nullopt);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!run || !run->success || static_cast<long>(run->std_out.size()) != bytes ||
        static_cast<long>(run->std_err.size()) != bytes) {
      std::fprintf(stderr, "bench_capture: the child's output did not come back whole\n");
      return 1;
    }
    rates.push_back(2.0 * static_cast<double>(mib) / seconds);
  }
  std::sort(rates.begin(), rates.end());
  std::printf("run_capture: %ld MiB on each stream at once, median of %d: %.0f MiB/s\n", mib, runs,
              rates[rates.size() / 2]);
  return 0;
}
