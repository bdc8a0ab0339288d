// The DNS zone under which the server serves every project as a site. It sits
// under the reserved .test domain, so it can never clash with a real name.
#pragma once

#include <string_view>

inline constexpr std::string_view kSitesZone = "pelk.test";
