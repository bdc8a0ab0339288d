#include "tools/real_runner.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <system_error>
#include <thread>
#include <utility>

#include "state/environment_windows.h"
#include "state/text.h"
#include "state/wide_text_windows.h"
#include "tools/search_path_windows.h"

namespace {

std::error_code win32_error(DWORD code) { return {static_cast<int>(code), std::system_category()}; }

class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() { close(); }
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      close();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  HANDLE get() const { return handle_; }
  HANDLE* out() { return &handle_; }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  void close() {
    if (valid()) ::CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

// One argument as the Microsoft C runtime splits a command line: text without
// blanks or quotes stands as it is; otherwise it is quoted, a quote in it
// becomes \", and backslashes are doubled exactly where they precede a quote
// (an inner one or the closing one), since only there do they escape.
void append_argument(std::wstring& line, std::wstring_view arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring_view::npos) {
    line += arg;
    return;
  }
  line += L'"';
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') {
      line.append(backslashes * 2 + 1, L'\\');
    } else {
      line.append(backslashes, L'\\');
    }
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

// The program's own name is read up to the next quote, without escapes, so it
// is always quoted and never holds one (resolve_program refuses such names).
std::wstring command_line(std::wstring_view program, const std::vector<std::string>& args) {
  std::wstring line = L"\"" + std::wstring(program) + L"\"";
  for (const auto& arg : args) {
    line += L' ';
    append_argument(line, widen(arg));
  }
  return line;
}

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool has_folder_part(std::wstring_view name) {
  return name.find_first_of(L"\\/") != std::wstring_view::npos || (name.size() >= 2 && name[1] == L':');
}

bool has_extension(std::wstring_view name) {
  size_t last_separator = name.find_last_of(L"\\/:");
  std::wstring_view file = last_separator == std::wstring_view::npos ? name : name.substr(last_separator + 1);
  return file.find(L'.') != std::wstring_view::npos;
}

bool is_file(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring windows_folder(UINT (*get)(LPWSTR, UINT)) {
  wchar_t buffer[MAX_PATH];
  UINT length = get(buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

// The file to start: a name with a folder part as that path; a bare name on
// PATH, in order, then in the system folders, with ".exe" added when it has no
// extension. Unlike CreateProcess's own search, pelk's own folder and the
// current folder are not searched, so a stray ssh.exe in the folder where pelk
// is started cannot stand in for the real one, and the tools folder that
// ensure_tools_on_path put first on PATH really comes first.
std::optional<std::wstring> resolve_program(const std::wstring& name) {
  if (name.empty() || name.find(L'"') != std::wstring::npos) return std::nullopt;
  std::wstring file = has_extension(name) ? name : name + L".exe";
  if (has_folder_part(name)) return file;
  std::vector<std::wstring> folders = split_search_path_wide(environment_variable(L"PATH").value_or(L""));
  folders.push_back(windows_folder(::GetSystemDirectoryW));
  folders.push_back(windows_folder(::GetWindowsDirectoryW));
  for (std::wstring folder : folders) {
    if (folder.empty()) continue;
    if (!is_separator(folder.back())) folder += L'\\';
    if (is_file(folder + file)) return folder + file;
  }
  return std::nullopt;
}

bool is_not_found_error(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

// Only the handles named here reach the child, so a child (or a daemon it
// leaves behind) never holds pipes of pelk's own caller open.
class InheritedHandles {
 public:
  explicit InheritedHandles(std::vector<HANDLE> handles) : handles_(std::move(handles)) {}
  ~InheritedHandles() {
    if (list_) ::DeleteProcThreadAttributeList(list_);
  }
  InheritedHandles(const InheritedHandles&) = delete;
  InheritedHandles& operator=(const InheritedHandles&) = delete;

  bool prepare(STARTUPINFOEXW& startup) {
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    storage_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
    if (!::InitializeProcThreadAttributeList(list, 1, 0, &size)) return false;
    list_ = list;
    if (!handles_.empty() &&
        !::UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                     handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
      return false;
    }
    startup.lpAttributeList = list_;
    return true;
  }

 private:
  std::vector<HANDLE> handles_;
  std::vector<char> storage_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

struct Started {
  Handle process;
  DWORD error = ERROR_SUCCESS;  // why the start failed, when it did
};

Started start_process(const std::wstring& file, std::wstring line, HANDLE in, HANDLE out, HANDLE err) {
  Started started;
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = in;
  startup.StartupInfo.hStdOutput = out;
  startup.StartupInfo.hStdError = err;
  std::vector<HANDLE> inherited;
  for (HANDLE h : {in, out, err}) {
    bool listed = false;
    for (HANDLE seen : inherited) listed = listed || seen == h;
    if (h != nullptr && h != INVALID_HANDLE_VALUE && !listed) inherited.push_back(h);
  }
  InheritedHandles handles(inherited);
  if (!handles.prepare(startup)) {
    started.error = ::GetLastError();
    return started;
  }
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(file.c_str(), line.data(), nullptr, nullptr, !inherited.empty(),
                        EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr, &startup.StartupInfo, &info)) {
    started.error = ::GetLastError();
    return started;
  }
  ::CloseHandle(info.hThread);
  *started.process.out() = info.hProcess;
  return started;
}

// Waits for the child; true when it exited with status 0.
bool wait_succeeded(HANDLE process) {
  ::WaitForSingleObject(process, INFINITE);
  DWORD code = 1;
  return ::GetExitCodeProcess(process, &code) && code == 0;
}

bool make_pipe(Handle& read_end, Handle& write_end, bool child_reads) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  if (!::CreatePipe(read_end.out(), write_end.out(), &inheritable, 1 << 16)) return false;
  // Only the child's end may be inherited.
  HANDLE ours = child_reads ? write_end.get() : read_end.get();
  return ::SetHandleInformation(ours, HANDLE_FLAG_INHERIT, 0) != 0;
}

// Reads one output to its end, or up to `limit` bytes: past that the child is
// stopped, which also ends the other output's reader.
void read_to_end(HANDLE pipe, std::string& into, size_t limit, HANDLE process, std::atomic<bool>& over_limit) {
  char buffer[65536];
  DWORD n = 0;
  // The read fails with ERROR_BROKEN_PIPE once every writer has closed its end.
  while (::ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) {
    size_t kept = std::min(static_cast<size_t>(n), limit - into.size());
    into.append(buffer, kept);
    if (kept < n) {
      over_limit = true;
      ::TerminateProcess(process, 1);
      return;
    }
  }
}

// An inheritable copy of one of pelk's own standard handles, for a child that
// shares the console.
Handle inheritable_copy(DWORD which) {
  Handle copy;
  HANDLE own = ::GetStdHandle(which);
  if (own == nullptr || own == INVALID_HANDLE_VALUE) return copy;
  HANDLE self = ::GetCurrentProcess();
  if (!::DuplicateHandle(self, own, self, copy.out(), 0, TRUE, DUPLICATE_SAME_ACCESS)) *copy.out() = nullptr;
  return copy;
}

std::string ip_text(const sockaddr* address) {
  wchar_t text[INET6_ADDRSTRLEN] = {};
  const void* raw = nullptr;
  if (address->sa_family == AF_INET) {
    raw = &reinterpret_cast<const sockaddr_in*>(address)->sin_addr;
  } else if (address->sa_family == AF_INET6) {
    raw = &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
  } else {
    return {};
  }
  if (!::InetNtopW(address->sa_family, raw, text, INET6_ADDRSTRLEN)) return {};
  return narrow(text);
}

// Writes all of the child's input, then closes the pipe so the child sees its
// end. Gives the error of a child that exits, or closes its input, before
// reading it all.
DWORD write_input(Handle& in_write, std::string_view pending) {
  DWORD write_error = ERROR_SUCCESS;
  while (!pending.empty()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(pending.size(), 1u << 20));
    DWORD written = 0;
    if (!::WriteFile(in_write.get(), pending.data(), chunk, &written, nullptr)) {
      write_error = ::GetLastError();
      break;
    }
    pending.remove_prefix(written);
  }
  in_write.close();
  return write_error;
}

bool winsock_ready() {
  static const bool ready = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return ready;
}

}  // namespace

RealRunner::RealRunner() = default;

Result<ToolOutput> RealRunner::run_capture(const std::string& program, const std::vector<std::string>& args,
                                           const std::optional<std::string>& input) {
  return run_capture_bounded(program, args, input, SIZE_MAX);
}

Result<ToolOutput> RealRunner::run_capture_bounded(const std::string& program, const std::vector<std::string>& args,
                                                   const std::optional<std::string>& input, size_t limit) {
  ToolOutput not_found{"", program + ": not found", false};
  std::wstring name = widen(program);
  auto file = resolve_program(name);
  if (!file) return not_found;

  Handle out_read, out_write, err_read, err_write, in_read, in_write;
  if (!make_pipe(out_read, out_write, false) || !make_pipe(err_read, err_write, false)) {
    return fail_io(win32_error(::GetLastError()));
  }
  if (input) {
    if (!make_pipe(in_read, in_write, true)) return fail_io(win32_error(::GetLastError()));
  } else {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    *in_read.out() = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                   OPEN_EXISTING, 0, nullptr);
    if (!in_read.valid()) return fail_io(win32_error(::GetLastError()));
  }

  Started child = start_process(*file, command_line(name, args), in_read.get(), out_write.get(), err_write.get());
  // The child holds its own copies now; ours must go, or the reads below
  // would never see the end of the output.
  out_write.close();
  err_write.close();
  in_read.close();
  if (!child.process.valid()) {
    if (is_not_found_error(child.error)) return not_found;
    return fail_io(win32_error(child.error));
  }

  // Both outputs are read on threads while this one writes the input, so a
  // child that answers before it has read all its input cannot deadlock.
  std::string out_bytes, err_bytes;
  std::atomic<bool> over_limit{false};
  std::thread out_reader, err_reader;
  try {
    out_reader = std::thread(read_to_end, out_read.get(), std::ref(out_bytes), limit, child.process.get(),
                             std::ref(over_limit));
    err_reader = std::thread(read_to_end, err_read.get(), std::ref(err_bytes), limit, child.process.get(),
                             std::ref(over_limit));
  } catch (const std::system_error& e) {
    // Without a reader the child may block on a full pipe; it must not outlive us.
    ::TerminateProcess(child.process.get(), 1);
    if (out_reader.joinable()) out_reader.join();
    ::WaitForSingleObject(child.process.get(), INFINITE);
    return fail_io(e.code());
  }

  DWORD write_error = input ? write_input(in_write, *input) : ERROR_SUCCESS;
  out_reader.join();
  err_reader.join();
  bool succeeded = wait_succeeded(child.process.get());
  std::string out_text = to_valid_utf8(std::move(out_bytes));
  std::string err_text = to_valid_utf8(std::move(err_bytes));
  if (over_limit) return ToolOutput{std::move(out_text), std::move(err_text), false, true};
  if (write_error != ERROR_SUCCESS) return fail_io(win32_error(write_error));
  return ToolOutput{std::move(out_text), std::move(err_text), succeeded};
}

Result<bool> RealRunner::run_discarding_output(const std::string& program, const std::vector<std::string>& args,
                                               const std::optional<std::string>& input) {
  std::wstring name = widen(program);
  auto file = resolve_program(name);
  if (!file) return false;
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  Handle null_out(::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING,
                                0, nullptr));
  if (!null_out.valid()) return fail_io(win32_error(::GetLastError()));
  Handle in_read, in_write;
  if (input) {
    if (!make_pipe(in_read, in_write, true)) return fail_io(win32_error(::GetLastError()));
  } else {
    *in_read.out() = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                   OPEN_EXISTING, 0, nullptr);
    if (!in_read.valid()) return fail_io(win32_error(::GetLastError()));
  }
  Started child = start_process(*file, command_line(name, args), in_read.get(), null_out.get(), null_out.get());
  in_read.close();
  null_out.close();
  if (!child.process.valid()) {
    if (is_not_found_error(child.error)) return false;
    return fail_io(win32_error(child.error));
  }
  DWORD write_error = input ? write_input(in_write, *input) : ERROR_SUCCESS;
  bool succeeded = wait_succeeded(child.process.get());
  if (write_error != ERROR_SUCCESS) return fail_io(win32_error(write_error));
  return succeeded;
}

Result<bool> RealRunner::run_interactive(const std::string& program, const std::vector<std::string>& args) {
  std::wstring name = widen(program);
  auto file = resolve_program(name);
  if (!file) return fail_io(win32_error(ERROR_FILE_NOT_FOUND));
  Handle in = inheritable_copy(STD_INPUT_HANDLE);
  Handle out = inheritable_copy(STD_OUTPUT_HANDLE);
  Handle err = inheritable_copy(STD_ERROR_HANDLE);
  Started child = start_process(*file, command_line(name, args), in.get(), out.get(), err.get());
  if (!child.process.valid()) return fail_io(win32_error(child.error));
  return wait_succeeded(child.process.get());
}

std::vector<std::string> RealRunner::lookup_host(const std::string& name) {
  std::vector<std::string> addresses;
  // Windows answers an empty name with every address of this machine; it
  // names no host, so it resolves to nothing as on POSIX.
  if (name.empty() || !winsock_ready()) return addresses;
  ADDRINFOW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;  // one answer per address, as for a connection
  ADDRINFOW* found = nullptr;
  if (::GetAddrInfoW(widen(name).c_str(), L"0", &hints, &found) != 0) return addresses;
  for (ADDRINFOW* at = found; at != nullptr; at = at->ai_next) {
    std::string text = ip_text(at->ai_addr);
    if (!text.empty()) addresses.push_back(std::move(text));
  }
  ::FreeAddrInfoW(found);
  return addresses;
}
