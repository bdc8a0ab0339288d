// Checking the downloaded Mutagen release archive and unpacking its
// executable and agent bundle into the tools folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "state/command_error.h"

// The names pelk takes out of the archive, whatever folder they lie in.
inline constexpr std::string_view kMutagenMemberNames[] = {"mutagen", "mutagen.exe", "mutagen-agents.tar.gz"};

// Mutagen's executable and agent bundle are tens of megabytes; a member far
// beyond that is refused rather than filling the disk.
inline constexpr std::uint64_t kMaxMemberBytes = std::uint64_t{1} << 30;

// Reads the archive once, checks its SHA-256 against `expected_checksum` and
// only then writes the members into `tools_folder`; ends with a message when
// no executable for this platform is there afterwards.
[[nodiscard]] Result<void> unpack_mutagen(const std::filesystem::path& archive, std::string_view expected_checksum,
                            const std::filesystem::path& tools_folder);

// The SHA-256 of `bytes` as 64 lower-case hexadecimal digits.
[[nodiscard]] Result<std::string> sha256_hex(std::string_view bytes);

// Writes the regular-file members of a gzip-compressed tar archive whose last
// path component is one of kMutagenMemberNames directly into `tools_folder`.
// Folders, links and every other member are skipped; the gzip stream is read
// to its end, so a damaged CRC is an error.
[[nodiscard]] Result<void> extract_mutagen_files(std::string_view gzip_bytes, const std::filesystem::path& tools_folder);
