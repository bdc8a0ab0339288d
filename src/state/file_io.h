// Whole-file reads and the one way pelk writes a file.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "cli/command_error.h"

// The whole file as bytes, or the I/O error of the read.
Result<std::string> read_file(const std::filesystem::path& path);

// Whether an error says that the file, or a folder on its path, does not exist.
bool is_not_found(const CommandError& error);

// Writes `bytes` to a temporary file in the target's folder, flushes it and
// renames it over the target, so a crash or a full disk never leaves a
// truncated file. A symbolic link at `target` is followed: the file it points
// to is replaced and the link stays. An existing file keeps its permission
// bits; a new one is created with `new_file_mode` (less the umask).
Result<void> write_file_atomically(const std::filesystem::path& target, std::string_view bytes,
                                   std::filesystem::perms new_file_mode = std::filesystem::perms(0666));

// The content of a file written in pieces: each call gives the next piece, an
// empty optional once the content is complete, or the error that ends it.
using ChunkSource = std::function<Result<std::optional<std::string_view>>()>;

// write_file_atomically with the content pulled piece by piece, so a large
// file never has to sit in memory whole. When `next` fails, the temporary file
// is removed, the target stays as it was and that error is the result.
Result<void> write_file_atomically_from(const std::filesystem::path& target, const ChunkSource& next,
                                        std::filesystem::perms new_file_mode = std::filesystem::perms(0666));

// Creates a folder and its missing parents; an existing folder is fine.
Result<void> create_folders(const std::filesystem::path& folder);
