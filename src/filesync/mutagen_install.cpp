#include "filesync/mutagen_install.h"

#include <string>

#include "filesync/mutagen_release.h"
#include "filesync/mutagen_sessions.h"
#include "filesync/mutagen_unpack.h"
#include "state/file_io.h"
#include "state/paths.h"
#include "state/text.h"
#include "tools/console.h"

namespace fs = std::filesystem;

namespace {

#if !defined(PELK_NO_UNPACKER)
// Downloads the release archive to `archive` and unpacks it; the caller
// removes the archive afterwards. A curl that cannot start is the outer error.
[[nodiscard]] Result<Result<void>> download_and_unpack(ToolRunner& runner, std::string_view platform, std::string_view checksum,
                                         const fs::path& archive, const fs::path& tools) {
  std::vector<std::string> args = {"-fsSL", "--retry", "2", "-o", display_path(archive),
                                   mutagen_download_address(platform)};
  PELK_TRY_ASSIGN(ToolOutput download, runner.run_capture("curl", args, std::nullopt));
  if (!download.success) {
    return Result<void>(fail_message("downloading Mutagen failed: " + std::string(trim(download.std_err))));
  }
  return unpack_mutagen(archive, checksum, tools);
}
#endif

}  // namespace

Result<void> install_mutagen(ToolRunner& runner, const fs::path& home, std::ostream& out) {
  return install_mutagen_for(mutagen_platform(), runner, home, out);
}

Result<void> install_mutagen_for(std::string_view platform, ToolRunner& runner, const fs::path& home,
                                 std::ostream& out) {
  // The tools folder is on PATH already: the dispatcher put it there before
  // any program ran, so a Mutagen installed there is found by name.
  // Any Mutagen that runs is left alone, whatever its version.
  if (mutagen_installed(runner)) return {};

  auto checksum = mutagen_checksum(platform);
  if (!checksum) return fail_message("no file sync build for " + std::string(platform));
#if defined(PELK_NO_UNPACKER)
  // A build without libarchive and libcrypto cannot check or unpack the
  // release, so nothing is downloaded.
  (void)out;
  return fail_message("this pelk was built without its Mutagen unpacker; install Mutagen (" +
                      std::string(kMutagenInstallDocs) + ") and run pelk laptop connect again");
#else
  PELK_TRY(print(out, "  Installing Mutagen " + std::string(kMutagenVersion) + "\n"));
  fs::path tools = tools_dir(home);
  PELK_TRY(create_folders(tools));

  fs::path archive = tools / kMutagenArchivePart;
  PELK_TRY_ASSIGN(Result<void> installed, download_and_unpack(runner, platform, *checksum, archive, tools));
  std::error_code ignored;
  fs::remove(archive, ignored);
  return installed;
#endif
}
