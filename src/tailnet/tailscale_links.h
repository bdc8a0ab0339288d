// Where users get Tailscale; named in the installer and in lookup messages.
#pragma once

#include <string_view>

inline constexpr std::string_view kTailscaleDownloadPage = "https://tailscale.com/download";
inline constexpr std::string_view kTailscaleInstallScript = "https://tailscale.com/install.sh";
