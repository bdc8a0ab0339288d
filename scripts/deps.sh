# Sourced by install.sh and test.sh: installs the Debian packages that are missing.
# Usage: install_missing PACKAGE...
install_missing() {
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if [ -z "${PELK_APT_UPDATED:-}" ]; then
    $sudo apt-get -o DPkg::Lock::Timeout=900 update -qq || return 1
    export PELK_APT_UPDATED=1
  fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

BUILD_PACKAGES=(g++ cmake make libcli11-dev nlohmann-json3-dev zlib1g-dev libarchive-dev libssl-dev pkg-config)
TEST_PACKAGES=(libgtest-dev libgmock-dev)
