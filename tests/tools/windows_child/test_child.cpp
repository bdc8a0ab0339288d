// The child that the Windows runner tests start. Its first argument picks what
// it does; it uses the C runtime's own command-line splitting (wmain), so the
// "args" answer shows exactly what a real Windows program would receive.
//   args A B ...        writes each argument as UTF-8, each followed by a NUL byte
//   streams N           writes N bytes to standard output and N to standard error, interleaved
//   cat                 copies standard input to standard output; its byte count to standard error
//   exit N OUT ERR      writes OUT and ERR, exits with status N
//   raw                 writes bytes that are not valid UTF-8
//   env NAME            writes the variable's value
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

void write_all(HANDLE to, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD n = 0;
    if (!WriteFile(to, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &n, nullptr)) std::exit(70);
    done += n;
  }
}

std::string utf8(const wchar_t* text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"args") {
    std::string all;
    for (int i = 2; i < argc; ++i) all += utf8(argv[i]) + '\0';
    write_all(out, all);
  } else if (mode == L"streams" && argc > 2) {
    size_t left = std::wcstoul(argv[2], nullptr, 10);
    while (left > 0) {
      size_t n = left < 4096 ? left : 4096;
      write_all(out, std::string(n, 'o'));
      write_all(err, std::string(n, 'e'));
      left -= n;
    }
  } else if (mode == L"cat") {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    char buffer[65536];
    DWORD n = 0;
    size_t total = 0;
    while (ReadFile(in, buffer, sizeof buffer, &n, nullptr) && n > 0) {
      write_all(out, std::string(buffer, n));
      total += n;
    }
    write_all(err, std::to_string(total));
  } else if (mode == L"exit" && argc > 4) {
    write_all(out, utf8(argv[3]));
    write_all(err, utf8(argv[4]));
    return static_cast<int>(std::wcstol(argv[2], nullptr, 10));
  } else if (mode == L"raw") {
    write_all(out, "ok \xff\xfe end \xc3");
  } else if (mode == L"env" && argc > 2) {
    wchar_t value[32768];
    DWORD n = GetEnvironmentVariableW(argv[2], value, 32768);
    if (n == 0 || n >= 32768) return 3;
    write_all(out, utf8(value));
  } else {
    write_all(err, "unknown mode");
    return 64;
  }
  return 0;
}
