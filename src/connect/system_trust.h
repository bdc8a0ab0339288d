// Trusting the environment's certificate in the operating system's store
// (macOS System keychain, the Linux CA bundle, the Windows machine Root
// store), and taking that trust away. The texts are pieces of the elevated
// scripts: POSIX shell on macOS and Linux, PowerShell on Windows.
#pragma once

#include <filesystem>
#include <string>

#include "tools/os_kind.h"

std::string system_trust_command(OsKind os, const std::filesystem::path& certificate);

// On macOS the removal is found by the certificate's fingerprint, so without
// the file (not a regular file) there is nothing to remove and it is "true".
std::string system_trust_removal_command(OsKind os, const std::filesystem::path& certificate);
