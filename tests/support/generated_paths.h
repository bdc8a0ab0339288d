// Generated paths for property tests of quoting, and a batch run of sh over a
// script file: one sh process checks a whole batch, so ten thousand paths
// stay fast.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Paths made of the pieces that break naive quoting, the same ones for the
// same seed. The command substitutions name no real program, so a quoting
// fault shows as a wrong result rather than running anything.
std::vector<std::string> generated_paths(std::uint32_t seed, int count);

// Runs a script file with sh in `folder`, with no programs to be found: an
// empty PATH, so nothing but shell builtins could ever run. Both outputs go
// to `output`; the result is std::system's.
int run_sh(const std::filesystem::path& folder, const std::string& arguments, const std::filesystem::path& output);
