#include "connect/linux_packages.h"

std::optional<std::string> linux_packages_command(ToolRunner& runner, OsKind os) {
  if (os != OsKind::Linux) return std::nullopt;
  bool all_present = true;
  for (const char* tool : {"wl-paste", "wl-copy", "xclip", "certutil"}) {
    if (!has_command(runner, tool)) {
      all_present = false;
      break;
    }
  }
  if (all_present) return std::nullopt;
  // The whole group is installed whatever is missing, and a failure here
  // (no package manager, offline mirror) must not fail the rest of the script.
  return "(if command -v apt-get >/dev/null; then apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install "
         "-y -qq wl-clipboard xclip libnss3-tools; elif command -v dnf >/dev/null; then dnf install -y -q wl-clipboard "
         "xclip nss-tools; elif command -v zypper >/dev/null; then zypper --non-interactive install wl-clipboard xclip "
         "mozilla-nss-tools; elif command -v pacman >/dev/null; then pacman -S --needed --noconfirm wl-clipboard xclip "
         "nss; fi) || true";
}
