// The names of the file writer's temporary files, and the clean-up of those
// that a killed pelk left behind.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "state/command_error.h"

// ".pelk-PID-N": short, so a temporary file can sit beside any file whose own
// name is valid, however long.
std::filesystem::path writer_temporary_name(unsigned long process_id, unsigned counter);

// The process id in a writer temporary's name: ".pelk-PID-N", or the
// ".NAME.pelk-PID-N" of older runs; nothing for any other name.
std::optional<unsigned long> writer_temporary_owner(const std::filesystem::path& file_name);

// Whether a process with this id runs now (one that cannot be asked counts as running).
bool process_is_running(unsigned long process_id);

// Removes the writer temporaries in `folder` whose process no longer runs.
// Never fails: a file that cannot be removed stays.
void remove_stale_writer_temporaries(const std::filesystem::path& folder);

// The message for a file that pelk reads or writes whole but that is not a
// regular file (a FIFO, a device, a socket).
CommandError not_a_regular_file(const std::filesystem::path& path);
