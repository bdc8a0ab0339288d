#include "filesync/mutagen_unpack.h"

#include <gtest/gtest.h>

#if defined(PELK_NO_UNPACKER)

TEST(UnpackMutagen, NotBuilt) { GTEST_SKIP() << "this build has no Mutagen unpacker (PELK_UNPACKER=OFF)"; }

#else

#include <sys/stat.h>

#include <map>
#include <optional>

#include "support/temp_folder.h"
#include "tar_fixture.h"

namespace fs = std::filesystem;

namespace {

using Files = std::map<std::string, std::string>;

// Everything under `root` that is not a folder, by path relative to it.
Files files_under(const fs::path& root) {
  Files found;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_directory() && !entry.is_symlink()) continue;
    std::string content = entry.is_symlink() ? "-> " + fs::read_symlink(entry.path()).string() : read_text(entry.path());
    found[fs::relative(entry.path(), root).string()] = content;
  }
  return found;
}

std::string checksum_of(std::string_view bytes) {
  auto sum = sha256_hex(bytes);
  EXPECT_TRUE(sum);
  return sum ? *sum : "";
}

// An executable the unpacker wrote: mode 0755 where files have modes; on
// Windows, which has none to set, a regular file.
void expect_executable(const fs::path& path) {
#ifdef _WIN32
  EXPECT_TRUE(fs::is_regular_file(path)) << path;
#else
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0) << path;
  EXPECT_EQ(info.st_mode & 07777, 0755u) << path;
#endif
}

// An archive on disk and an empty tools folder beside it.
struct Download {
  TempFolder root;
  fs::path archive = root / "download/mutagen.tar.gz.part";
  fs::path tools = root / "home/tools";

  explicit Download(const std::string& bytes) {
    write_text(archive, bytes);
    fs::create_directories(tools);
  }
  Result<void> unpack() { return unpack_mutagen(archive, checksum_of(read_text(archive)), tools); }
};

}  // namespace

TEST(Sha256, GivesLowerCaseHexOfTheDigest) {
  EXPECT_EQ(sha256_hex("").value(), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(sha256_hex("abc").value(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(UnpackMutagen, WritesTheThreeFilesFromAnyFolderIntoTheToolsFolder) {
  Download download(tar_gz({
      {"mutagen_linux_amd64_v0.18.1/", "", TarMember::Kind::Folder},
      {"mutagen_linux_amd64_v0.18.1/mutagen", "ELF binary"},
      {"mutagen_linux_amd64_v0.18.1/mutagen-agents.tar.gz", "agents"},
      {"mutagen_linux_amd64_v0.18.1/LICENSE", "MIT"},
      {"mutagen.exe", "PE binary"},
  }));
  auto result = download.unpack();
  ASSERT_TRUE(result) << result.error().display();
  EXPECT_EQ(files_under(download.tools),
            (Files{{"mutagen", "ELF binary"}, {"mutagen-agents.tar.gz", "agents"}, {"mutagen.exe", "PE binary"}}));
  expect_executable(download.tools / "mutagen");
  expect_executable(download.tools / "mutagen.exe");
}

TEST(UnpackMutagen, ReplacesADamagedExecutableAndTheLaterOfTwoMembersWins) {
  Download download(tar_gz({{"mutagen", "first"}, {"release/mutagen", "second"}}));
  write_text(download.tools / "mutagen", "old, not executable");
  fs::permissions(download.tools / "mutagen", fs::perms(0644));
  auto result = download.unpack();
  ASSERT_TRUE(result) << result.error().display();
  EXPECT_EQ(files_under(download.tools), (Files{{"mutagen", "second"}}));
  expect_executable(download.tools / "mutagen");
}

TEST(UnpackMutagen, ADownloadAlteredByOneByteWritesNothing) {
  std::string bytes = tar_gz({{"mutagen", "binary"}});
  std::string expected = checksum_of(bytes);
  bytes[bytes.size() / 2] ^= 0x01;
  Download download(bytes);
  auto result = unpack_mutagen(download.archive, expected, download.tools);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().display(), "the Mutagen download does not match its checksum (got " +
                                          checksum_of(bytes) + "); nothing was installed");
  EXPECT_TRUE(files_under(download.tools).empty());
}

TEST(UnpackMutagen, TheFinalCheckLooksOnlyAtThePlatformsExecutable) {
  Download without(tar_gz({{"mutagen-agents.tar.gz", "agents"}, {"mutagen.exe", "PE"}}));
  auto missing = without.unpack();
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().display(), "the Mutagen download has no mutagen binary");

  Download earlier(tar_gz({{"mutagen-agents.tar.gz", "new agents"}}));
  write_text(earlier.tools / "mutagen", "left by an earlier installation");
  auto kept = earlier.unpack();
  ASSERT_TRUE(kept) << kept.error().display();
  EXPECT_EQ(files_under(earlier.tools),
            (Files{{"mutagen", "left by an earlier installation"}, {"mutagen-agents.tar.gz", "new agents"}}));
}

TEST(UnpackMutagen, HostileArchivesNeverWriteOutsideTheToolsFolderNorCreateLinks) {
  enum class Outcome { Installed, NoBinary, IoError };
  std::string plain = tar_bytes({{"mutagen", "binary"}});
  // Zeros after the end-of-archive blocks are valid tar; the tar reader stops
  // before them, so only reading the gzip stream to its end reaches the trailer.
  std::string packed = gzip_bytes(plain + std::string(1 << 20, '\0'));
  std::string huge = tar_bytes({{"mutagen", "x"}});
  set_first_member_size(huge, (std::uint64_t{8} << 30) - 1);  // the largest an octal size field holds
  std::string bad_crc = packed;
  bad_crc[bad_crc.size() - 8] ^= 0x55;  // the CRC-32 is the trailer's first four bytes
  std::string split = gzip_bytes(plain.substr(0, 700)) + gzip_bytes(plain.substr(700));

  struct Case {
    std::string what;
    std::string bytes;
    Outcome outcome;
    std::optional<Files> tools;  // what the tools folder then holds, when that is fixed
    std::string error = "";      // the start of the error text
  };
  const std::vector<Case> cases = {
      {"parent folder in the name", tar_gz({{"../mutagen", "binary"}}), Outcome::Installed, Files{{"mutagen", "binary"}}},
      {"climbing out of a folder", tar_gz({{"a/../../mutagen", "binary"}}), Outcome::Installed,
       Files{{"mutagen", "binary"}}},
      {"absolute name", tar_gz({{"/tmp/pelk-unpack-outside/mutagen", "binary"}}), Outcome::Installed,
       Files{{"mutagen", "binary"}}},
      {"symbolic link", tar_gz({{"mutagen", "", TarMember::Kind::Symlink, "/bin/sh"}}), Outcome::NoBinary, Files{}},
      {"hard link", tar_gz({{"LICENSE", "text"}, {"mutagen", "", TarMember::Kind::Hardlink, "LICENSE"}}),
       Outcome::NoBinary, Files{}},
      {"folder", tar_gz({{"mutagen/", "", TarMember::Kind::Folder}, {"mutagen/LICENSE", "text"}}), Outcome::NoBinary,
       Files{}},
      {"name ending in ..", tar_gz({{"mutagen/..", "binary"}}), Outcome::NoBinary, Files{}},
      {"split over two gzip members", split, Outcome::Installed, Files{{"mutagen", "binary"}}},
      {"member claiming 8 GiB", gzip_bytes(huge), Outcome::IoError, Files{},
       "a member of the Mutagen download holds 8589934591 bytes, more than pelk unpacks"},
      {"truncated gzip stream", packed.substr(0, packed.size() / 2), Outcome::IoError, std::nullopt,
       "truncated gzip stream"},
      {"gzip trailer missing", packed.substr(0, packed.size() - 8), Outcome::IoError, std::nullopt,
       "truncated gzip stream"},
      {"bad CRC after the tar's end", bad_crc, Outcome::IoError, std::nullopt, "damaged gzip stream: incorrect data check"},
      {"bytes after the gzip stream", packed + "junk", Outcome::IoError, std::nullopt,
       "unexpected data after the gzip stream"},
      {"not gzip", plain, Outcome::IoError, Files{}, "damaged gzip stream: incorrect header check"},
      {"empty download", "", Outcome::IoError, Files{}, "truncated gzip stream"},
      {"gzip of something else", gzip_bytes(std::string(4096, 'z')), Outcome::IoError, Files{},
       "damaged tar archive: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Download download(c.bytes);
    auto result = download.unpack();
    if (c.outcome == Outcome::Installed) {
      EXPECT_TRUE(result) << result.error().display();
    } else if (result) {
      ADD_FAILURE() << "unpacked without an error";
    } else if (c.outcome == Outcome::NoBinary) {
      EXPECT_EQ(result.error().display(), "the Mutagen download has no mutagen binary");
    } else {
      EXPECT_TRUE(result.error().is_io());
      EXPECT_TRUE(result.error().display().starts_with(c.error)) << result.error().display();
    }
    if (c.tools) {
      EXPECT_EQ(files_under(download.tools), *c.tools);
    }
    for (const auto& [path, content] : files_under(download.root.path())) {
      bool in_tools = path.starts_with("home/tools/") && path.find('/', 11) == std::string::npos;
      EXPECT_TRUE(path == "download/mutagen.tar.gz.part" || in_tools) << path;
      EXPECT_FALSE(content.starts_with("-> ")) << path;
    }
    EXPECT_FALSE(fs::exists("/tmp/pelk-unpack-outside"));
  }
}

#endif
