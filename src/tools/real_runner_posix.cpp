#include "tools/real_runner.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "state/text.h"

extern char** environ;

// The Linux-only calls below have POSIX fallbacks, which macOS runs. A Linux
// build with PELK_PORTABLE_POSIX takes the fallbacks too, so they are tested.
#if defined(__linux__) && !defined(PELK_PORTABLE_POSIX)
#define PELK_LINUX_CALLS 1
#else
#define PELK_LINUX_CALLS 0
#endif

namespace {

struct Pipe {
  int read_end = -1;
  int write_end = -1;
};

void close_fd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

bool make_pipe(Pipe& p) {
  int fds[2];
#if PELK_LINUX_CALLS
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
#else
  // pelk starts no thread that spawns, so nothing can inherit the ends
  // between pipe() and fcntl().
  if (::pipe(fds) != 0) return false;
  for (int fd : fds) {
    if (::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) {
      ::close(fds[0]);
      ::close(fds[1]);
      return false;
    }
  }
#endif
  p.read_end = fds[0];
  p.write_end = fds[1];
  return true;
}

std::vector<char*> argv_of(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  return argv;
}

// Children get the default SIGPIPE back: pelk ignores it so a child that
// stops reading its input gives an error value instead of killing pelk.
struct SpawnAttributes {
  posix_spawnattr_t attr;
  SpawnAttributes() {
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
  }
  ~SpawnAttributes() { posix_spawnattr_destroy(&attr); }
};

int wait_for(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return status;
}

// Lets the kernel back a large buffer with huge pages: faulting in 4 KiB pages
// one by one was most of the cost of capturing a large output.
void advise_huge_pages(char* start, size_t length) {
#ifdef MADV_HUGEPAGE
  constexpr std::uintptr_t kHuge = std::uintptr_t(2) << 20;
  std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(start) + kHuge - 1) & ~(kHuge - 1);
  std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(start) + length) & ~(kHuge - 1);
  if (begin < end) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)start;
  (void)length;
#endif
}

// Appends captured bytes. Past a few MiB the string grows here rather than in
// the library, so the new room can be advised before anything touches it.
void append_output(std::string& into, const char* bytes, size_t size) {
  constexpr size_t kLarge = size_t(4) << 20;
  if (into.capacity() - into.size() < size && into.size() + size > kLarge) {
    std::string grown;
    grown.resize_and_overwrite(std::max(into.capacity() * 2, into.size() + size), [&](char* room, size_t length) {
      advise_huge_pages(room, length);
      std::memcpy(room, into.data(), into.size());
      return into.size();
    });
    into = std::move(grown);
  }
  into.append(bytes, size);
}

// Starts `program` with the given standard streams; -1 puts the null device
// in a stream's place. Gives posix_spawnp's error (0 when it started).
int spawn_child(pid_t& pid, const std::string& program, const std::vector<std::string>& args, int in_fd, int out_fd,
                int err_fd) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const int streams[] = {in_fd, out_fd, err_fd};
  for (int target = 0; target < 3; ++target) {
    if (streams[target] >= 0) {
      posix_spawn_file_actions_adddup2(&actions, streams[target], target);
    } else {
      posix_spawn_file_actions_addopen(&actions, target, "/dev/null", target == 0 ? O_RDONLY : O_WRONLY, 0);
    }
  }
  SpawnAttributes attributes;
  auto argv = argv_of(program, args);
  int spawn_error = ::posix_spawnp(&pid, program.c_str(), &actions, &attributes.attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return spawn_error;
}

// Whether the child has ended, without reaping it.
bool has_exited(pid_t pid) {
  siginfo_t info{};
  if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return false;
  // With nothing to report the fields stay zero; some systems fill in only one of them.
  return info.si_pid == pid || info.si_signo == SIGCHLD;
}

// Writes all of `input` to the child's standard input (the caller closes it). The wait
// for room looks at the child now and then: once it has ended, a process it
// left behind holding the pipe unread must not keep pelk writing.
int feed_input(pid_t pid, int& fd, std::string_view input) {
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  while (!input.empty()) {
    pollfd ready{fd, POLLOUT, 0};
    int polled = ::poll(&ready, 1, 100);
    if (polled < 0 && errno != EINTR) return errno;
    if (polled == 0) {
      if (has_exited(pid)) return EPIPE;
      continue;
    }
    ssize_t n = ::write(fd, input.data(), input.size());
    if (n > 0) {
      input.remove_prefix(static_cast<size_t>(n));
    } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
      return errno;
    }
  }
  return 0;
}

bool exited_ok(int status) { return status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0; }

}  // namespace

RealRunner::RealRunner() { ::signal(SIGPIPE, SIG_IGN); }

Result<ToolOutput> RealRunner::run_capture(const std::string& program, const std::vector<std::string>& args,
                                           const std::optional<std::string>& input) {
  return run_capture_bounded(program, args, input, SIZE_MAX);
}

Result<ToolOutput> RealRunner::run_capture_bounded(const std::string& program, const std::vector<std::string>& args,
                                                   const std::optional<std::string>& input, size_t limit) {
  Pipe out, err, in;
  if (!make_pipe(out) || !make_pipe(err) || (input && !make_pipe(in))) {
    int saved = errno;
    for (int* fd : {&out.read_end, &out.write_end, &err.read_end, &err.write_end, &in.read_end, &in.write_end})
      close_fd(*fd);
    return fail(CommandError::io_errno(saved));
  }
  pid_t pid = -1;
  int spawn_error = spawn_child(pid, program, args, input ? in.read_end : -1, out.write_end, err.write_end);
  close_fd(out.write_end);
  close_fd(err.write_end);
  close_fd(in.read_end);
  if (spawn_error != 0) {
    close_fd(out.read_end);
    close_fd(err.read_end);
    close_fd(in.write_end);
    if (spawn_error == ENOENT || spawn_error == ENOTDIR) {
      return ToolOutput{"", program + ": not found", false};
    }
    return fail(CommandError::io_errno(spawn_error));
  }

  // Input is written while both outputs are read, so a child that answers
  // before it has read all its input cannot deadlock either side.
  // Larger pipes mean fewer wake-ups for a child with much to say; a refusal
  // (the system's limit) only keeps the default size. Elsewhere pipes keep
  // their size.
#if PELK_LINUX_CALLS
  for (int fd : {out.read_end, err.read_end}) (void)::fcntl(fd, F_SETPIPE_SZ, 1 << 20);
#endif
  std::string out_bytes, err_bytes;
  std::string_view pending = input ? std::string_view(*input) : std::string_view();
  if (in.write_end >= 0) {
    ::fcntl(in.write_end, F_SETFL, ::fcntl(in.write_end, F_GETFL) | O_NONBLOCK);
    if (pending.empty()) close_fd(in.write_end);
  }
  int write_error = 0;
  bool over_limit = false;
  // Reading through this buffer measured faster than reading straight into
  // the growing strings, whose fresh pages then fault inside the read.
  char buffer[65536];
  while (out.read_end >= 0 || err.read_end >= 0 || in.write_end >= 0) {
    pollfd fds[3];
    int count = 0;
    int out_index = -1, err_index = -1, in_index = -1;
    if (out.read_end >= 0) { out_index = count; fds[count++] = {out.read_end, POLLIN, 0}; }
    if (err.read_end >= 0) { err_index = count; fds[count++] = {err.read_end, POLLIN, 0}; }
    if (in.write_end >= 0) { in_index = count; fds[count++] = {in.write_end, POLLOUT, 0}; }
    if (::poll(fds, static_cast<nfds_t>(count), -1) < 0) {
      if (errno == EINTR) continue;
      write_error = errno;
      break;
    }
    auto drain = [&](int index, int& fd, std::string& into) {
      if (index < 0 || fds[index].revents == 0) return;
      ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n > 0) {
        size_t kept = std::min(static_cast<size_t>(n), limit - into.size());
        append_output(into, buffer, kept);
        over_limit = over_limit || kept < static_cast<size_t>(n);
      }
      if (n <= 0 && (n == 0 || (errno != EINTR && errno != EAGAIN))) {
        close_fd(fd);
      }
    };
    drain(out_index, out.read_end, out_bytes);
    drain(err_index, err.read_end, err_bytes);
    if (over_limit) break;
    if (in_index >= 0 && fds[in_index].revents != 0) {
      ssize_t n = ::write(in.write_end, pending.data(), pending.size());
      if (n > 0) {
        pending.remove_prefix(static_cast<size_t>(n));
        if (pending.empty()) close_fd(in.write_end);
      } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
        write_error = errno;
        close_fd(in.write_end);
      }
    }
  }
  // A child past the limit is stopped here; one that sends without end would
  // otherwise hold pelk, and its output is not wanted anyway.
  if (over_limit) ::kill(pid, SIGKILL);
  close_fd(out.read_end);
  close_fd(err.read_end);
  close_fd(in.write_end);
  int status = wait_for(pid);
  std::string out_text = to_valid_utf8(std::move(out_bytes));
  std::string err_text = to_valid_utf8(std::move(err_bytes));
  if (over_limit) return ToolOutput{std::move(out_text), std::move(err_text), false, true};
  if (write_error != 0) return fail(CommandError::io_errno(write_error));
  return ToolOutput{std::move(out_text), std::move(err_text), exited_ok(status)};
}

Result<bool> RealRunner::run_discarding_output(const std::string& program, const std::vector<std::string>& args,
                                               const std::optional<std::string>& input) {
  Pipe in;
  if (input && !make_pipe(in)) return fail(CommandError::io_errno(errno));
  pid_t pid = -1;
  int spawn_error = spawn_child(pid, program, args, input ? in.read_end : -1, -1, -1);
  close_fd(in.read_end);
  if (spawn_error != 0) {
    close_fd(in.write_end);
    if (spawn_error == ENOENT || spawn_error == ENOTDIR) return false;
    return fail(CommandError::io_errno(spawn_error));
  }
  int write_error = input ? feed_input(pid, in.write_end, *input) : 0;
  close_fd(in.write_end);
  int status = wait_for(pid);
  if (write_error != 0) return fail(CommandError::io_errno(write_error));
  return exited_ok(status);
}

Result<bool> RealRunner::run_interactive(const std::string& program, const std::vector<std::string>& args) {
  SpawnAttributes attributes;
  auto argv = argv_of(program, args);
  pid_t pid = -1;
  int spawn_error = ::posix_spawnp(&pid, program.c_str(), nullptr, &attributes.attr, argv.data(), environ);
  if (spawn_error != 0) return fail(CommandError::io_errno(spawn_error));
  return exited_ok(wait_for(pid));
}

std::vector<std::string> RealRunner::lookup_host(const std::string& name) {
  std::vector<std::string> addresses;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;  // one answer per address, as for a connection
  addrinfo* found = nullptr;
  if (::getaddrinfo(name.c_str(), "0", &hints, &found) != 0) return addresses;
  for (addrinfo* at = found; at != nullptr; at = at->ai_next) {
    char text[INET6_ADDRSTRLEN] = {};
    const void* raw = nullptr;
    if (at->ai_family == AF_INET) {
      raw = &reinterpret_cast<sockaddr_in*>(at->ai_addr)->sin_addr;
    } else if (at->ai_family == AF_INET6) {
      raw = &reinterpret_cast<sockaddr_in6*>(at->ai_addr)->sin6_addr;
    } else {
      continue;
    }
    if (::inet_ntop(at->ai_family, raw, text, sizeof text)) addresses.emplace_back(text);
  }
  ::freeaddrinfo(found);
  return addresses;
}
