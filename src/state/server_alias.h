// The SSH host alias through which every ssh command line and every server-side
// Mutagen endpoint reaches the server; the block in ~/.ssh/config maps it to
// the server's tailnet address and the login "dev".
#pragma once

#include <string_view>

inline constexpr std::string_view kServerAlias = "pelk";
