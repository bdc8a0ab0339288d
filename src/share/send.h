// `pelk laptop share send`: files or the clipboard into the share folder, and
// their server paths back on the clipboard.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "state/command_error.h"
#include "tools/laptop_context.h"
#include "tools/os_kind.h"
#include "tools/tool_runner.h"

[[nodiscard]] Result<std::string> send_files(const LaptopContext& context, const std::vector<std::filesystem::path>& files);
[[nodiscard]] Result<std::string> send_clipboard(const LaptopContext& context);

// Waits until the share session has carried the stored files to the server,
// then gives their server paths, one per line, and puts them on the clipboard.
[[nodiscard]] Result<std::string> deliver_to_server(ToolRunner& runner, const std::filesystem::path& home, OsKind os,
                                      const std::vector<std::string>& stored_names);
