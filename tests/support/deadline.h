// A time limit for one step of a test that could hang (a child process that
// holds a pipe, a FIFO that nobody writes): past it the test program ends with
// a line naming the step, so a hang shows as a failure instead of a test run
// that never ends. It is a limit on the harness, not a measure of speed: the
// steps it guards take a fraction of it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class Deadline {
 public:
  Deadline(std::string step, std::chrono::seconds limit = std::chrono::seconds(60));
  ~Deadline();
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable finished_;
  bool done_ = false;
  std::thread watcher_;
};
