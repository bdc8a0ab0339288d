// Trust of the environment's certificate in the user's macOS login keychain,
// used when scripts are elevated through osascript: there the trust setting is
// the user's own, asked for by the keychain rather than by an admin script.
#pragma once

#include <filesystem>

#include "state/command_error.h"
#include "tools/tool_runner.h"

// ~/Library/Keychains/login.keychain-db
std::filesystem::path login_keychain_path(const std::filesystem::path& home);

[[nodiscard]] Result<void> trust_in_login_keychain(ToolRunner& runner, const std::filesystem::path& home,
                                     const std::filesystem::path& certificate);

// Takes the trust and the certificate out of the login keychain; outcomes are
// ignored. Does nothing unless the certificate is a regular file, since the
// keychain entry is found by its fingerprint.
void login_keychain_trust_removal(ToolRunner& runner, const std::filesystem::path& home,
                                  const std::filesystem::path& certificate);
