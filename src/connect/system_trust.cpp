#include "connect/system_trust.h"

#include <string_view>
#include <system_error>

#include "tools/script_quote.h"
#include "state/text.h"

namespace fs = std::filesystem;

namespace {

struct LinuxTrustStore {
  std::string_view folder;
  std::string_view file_name;
  std::string_view refresh;
};

// Debian and Ubuntu, Fedora and RHEL, openSUSE, Arch: the first folder that
// exists is the distribution's anchor folder.
constexpr LinuxTrustStore kLinuxTrustStores[] = {
    {"/usr/local/share/ca-certificates", "pelk-environment-ca.crt", "update-ca-certificates"},
    {"/etc/pki/ca-trust/source/anchors", "pelk-environment-ca.pem", "update-ca-trust"},
    {"/etc/pki/trust/anchors", "pelk-environment-ca.pem", "update-ca-certificates"},
    {"/etc/ca-certificates/trust-source/anchors", "pelk-environment-ca.crt", "trust extract-compat"},
};

constexpr std::string_view kSystemKeychain = "/Library/Keychains/System.keychain";

std::string certificate_text(const fs::path& certificate) { return display_path(certificate); }

std::string linux_trust(const std::string& quoted) {
  std::string branches;
  for (const auto& store : kLinuxTrustStores) {
    if (!branches.empty()) branches += "; elif ";
    const std::string folder(store.folder);
    branches += "[ -d " + folder + " ]; then install -m 0644 " + quoted + " " + folder + "/" +
                std::string(store.file_name) + " && " + std::string(store.refresh);
  }
  // certutil serves the browser step after the script; not getting it must
  // never fail the trust itself.
  return "if " + branches + "; else trust anchor --store " + quoted +
         "; fi && { command -v certutil >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "
         "libnss3-tools >/dev/null 2>&1 || dnf install -y -q nss-tools >/dev/null 2>&1 || pacman -S --needed "
         "--noconfirm nss >/dev/null 2>&1 || true; }";
}

std::string linux_removal(const std::string& quoted) {
  std::string files;
  for (const auto& store : kLinuxTrustStores) {
    files += " " + std::string(store.folder) + "/" + std::string(store.file_name);
  }
  return "rm -f" + files + " && { trust anchor --remove " + quoted +
         " >/dev/null 2>&1; update-ca-certificates --fresh >/dev/null 2>&1 || update-ca-trust >/dev/null 2>&1 || true; }";
}

}  // namespace

std::string system_trust_command(OsKind os, const fs::path& certificate) {
  switch (os) {
    case OsKind::MacOs:
      return "security add-trusted-cert -d -r trustRoot -k " + std::string(kSystemKeychain) + " " +
             shell_quote(certificate_text(certificate));
    case OsKind::Windows:
      return "certutil -addstore -f Root " + powershell_quote(certificate_text(certificate)) +
             "\nif ($LASTEXITCODE -ne 0) { throw 'certutil could not add the certificate to the Root store' }";
    case OsKind::Linux: break;
  }
  return linux_trust(shell_quote(certificate_text(certificate)));
}

std::string system_trust_removal_command(OsKind os, const fs::path& certificate) {
  switch (os) {
    case OsKind::MacOs: {
      std::error_code ec;
      if (!fs::is_regular_file(certificate, ec)) return "true";
      const std::string quoted = shell_quote(certificate_text(certificate));
      return "(security remove-trusted-cert -d " + quoted + " || true) && (security delete-certificate -Z \"$(openssl x509 -in " +
             quoted + " -noout -fingerprint -sha1 | sed 's/.*=//; s/://g')\" " + std::string(kSystemKeychain) +
             " || true)";
    }
    case OsKind::Windows: {
      const std::string quoted = powershell_quote(certificate_text(certificate));
      return "if (Test-Path -LiteralPath " + quoted +
             ") { certutil -delstore Root (New-Object System.Security.Cryptography.X509Certificates.X509Certificate2(" +
             quoted + ")).Thumbprint | Out-Null }";
    }
    case OsKind::Linux: break;
  }
  return linux_removal(shell_quote(certificate_text(certificate)));
}
