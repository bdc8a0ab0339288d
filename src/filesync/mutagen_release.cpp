#include "filesync/mutagen_release.h"

#include <array>
#include <utility>

#include "tools/os_kind.h"

namespace {

constexpr std::string_view os_word(OsKind os) {
  switch (os) {
    case OsKind::MacOs: return "darwin";
    case OsKind::Linux: return "linux";
    case OsKind::Windows: return "windows";
  }
  return "unknown";
}

constexpr std::string_view processor_word() {
#if defined(__x86_64__) || defined(_M_X64)
  return "amd64";
#elif defined(__aarch64__) || defined(_M_ARM64)
  return "arm64";
#elif defined(__i386__) || defined(_M_IX86)
  return "386";
#elif defined(__arm__) || defined(_M_ARM)
  return "arm";
#else
  return "unknown";
#endif
}

constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kChecksums = {{
    {"darwin_amd64", "7d06f7d8fcfe90bc7e55cc834a2f2f20c2e0af9ea9bc35911fc4341ad56a9bbf"},
    {"darwin_arm64", "6f810416d9e5fc4fd5e18431146f8b3c5a2056ba5a24f76c1e66da86eb3257e2"},
    {"linux_amd64", "7735286c778cc438418209f24d03a64f3a0151c8065ef0fe079cfaf093af6f8f"},
    {"linux_arm64", "bcba735aebf8cbc11da9b3742118a665599ac697fa06bc5751cac8dcd540db8a"},
    {"windows_amd64", "3e237e77f69959ed520a0f877330a431507bb0a85d9da7919764ba0c87b702c7"},
    {"windows_arm64", "9ac53447e46f019be9d37f49c00eeed8635966b885ed29ef06b3ff19afdee532"},
}};

}  // namespace

std::string mutagen_platform() {
  return std::string(os_word(build_os_kind())) + "_" + std::string(processor_word());
}

std::optional<std::string_view> mutagen_checksum(std::string_view platform) {
  for (const auto& [name, digest] : kChecksums) {
    if (name == platform) return digest;
  }
  return std::nullopt;
}

std::string mutagen_download_address(std::string_view platform) {
  std::string version(kMutagenVersion);
  return std::string(kMutagenReleaseHost) + "/mutagen-io/mutagen/releases/download/v" + version + "/mutagen_" +
         std::string(platform) + "_v" + version + ".tar.gz";
}
