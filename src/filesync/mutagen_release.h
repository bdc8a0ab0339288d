// The one Mutagen release pelk installs: its version, the platform names it
// is built for, the archive checksums built into pelk and where it comes from.
#pragma once

#include <optional>
#include <string>
#include <string_view>

inline constexpr std::string_view kMutagenVersion = "0.18.1";
inline constexpr std::string_view kMutagenReleaseHost = "https://github.com";
inline constexpr std::string_view kMutagenInstallDocs = "https://mutagen.io/documentation/introduction/installation";

// The platform this pelk was built for, as Mutagen names its downloads:
// "linux_amd64", "darwin_arm64", "windows_amd64", ...
std::string mutagen_platform();

// The SHA-256 of the platform's release archive as 64 lower-case hex digits,
// or nothing for a platform that has no release archive.
std::optional<std::string_view> mutagen_checksum(std::string_view platform);

std::string mutagen_download_address(std::string_view platform);
