// The process's own arguments as pelk reads them: UTF-8 text where the
// platform has text (Windows), the bytes as given elsewhere.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The arguments after the program name.
std::vector<std::string> process_arguments(int argc, char** argv);

// An argument that names a file, as the platform's path.
std::filesystem::path argument_path(const std::string& argument);
