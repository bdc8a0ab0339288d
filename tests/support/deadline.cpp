#include "support/deadline.h"

#include <cstdio>
#include <cstdlib>

Deadline::Deadline(std::string step, std::chrono::seconds limit) {
  watcher_ = std::thread([this, step = std::move(step), limit] {
    std::unique_lock lock(mutex_);
    if (finished_.wait_for(lock, limit, [this] { return done_; })) return;
    std::fprintf(stderr, "\nHANG: %s did not finish within %lld seconds\n", step.c_str(),
                 static_cast<long long>(limit.count()));
    std::fflush(stderr);
    std::_Exit(124);
  });
}

Deadline::~Deadline() {
  {
    std::lock_guard lock(mutex_);
    done_ = true;
  }
  finished_.notify_one();
  watcher_.join();
}
