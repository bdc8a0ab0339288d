// Whole-file reads and the one way pelk writes a file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "state/command_error.h"

// The bound for a file pelk reads whole: its records, the SSH config and the
// system files it looks at are far smaller.
inline constexpr std::size_t kReadLimit = std::size_t(16) << 20;

// The whole file as bytes, or the I/O error of the read. The file is opened
// without blocking and must be a regular file of at most `limit` bytes, so a
// FIFO or a device in its place (a link to /dev/zero) gives an error naming
// the path instead of a wait without end or a read without end.
[[nodiscard]] Result<std::string> read_file(const std::filesystem::path& path, std::size_t limit = kReadLimit);

// Whether an error says that the file, or a folder on its path, does not exist.
bool is_not_found(const CommandError& error);

// Writes `bytes` to a temporary file in the target's folder, flushes it and
// renames it over the target, so a crash or a full disk never leaves a
// truncated file. A symbolic link at `target` is followed: the file it points
// to is replaced and the link stays. An existing file keeps its permission
// bits; a new one is created with `new_file_mode` (less the umask). An
// existing target must be a regular file that this process may write, as an
// in-place write would need ("Permission denied" for a read-only one), and
// nothing is written otherwise. Temporary files that killed pelk runs left in
// the folder are removed on the way.
[[nodiscard]] Result<void> write_file_atomically(const std::filesystem::path& target, std::string_view bytes,
                                   std::filesystem::perms new_file_mode = std::filesystem::perms(0666));

// The content of a file written in pieces: each call gives the next piece, an
// empty optional once the content is complete, or the error that ends it.
using ChunkSource = std::function<Result<std::optional<std::string_view>>()>;

// write_file_atomically with the content pulled piece by piece, so a large
// file never has to sit in memory whole. When `next` fails, the temporary file
// is removed, the target stays as it was and that error is the result.
[[nodiscard]] Result<void> write_file_atomically_from(const std::filesystem::path& target, const ChunkSource& next,
                                        std::filesystem::perms new_file_mode = std::filesystem::perms(0666));

// Creates a folder and its missing parents; an existing folder is fine.
[[nodiscard]] Result<void> create_folders(const std::filesystem::path& folder);
