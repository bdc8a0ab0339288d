// The platform the program runs on. Fixed per build and passed as an argument,
// so every per-platform text is a plain function of it.
#pragma once

enum class OsKind { MacOs = 0, Linux = 1, Windows = 2 };

constexpr OsKind build_os_kind() {
#if defined(_WIN32)
  return OsKind::Windows;
#elif defined(__APPLE__)
  return OsKind::MacOs;
#else
  return OsKind::Linux;
#endif
}
