# Shared helpers of the project's scripts; sourced, not run.

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Installs the Debian packages among the arguments that are not installed yet.
ensure_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build_packages=(g++ cmake ninja-build qt6-base-dev qt6-svg-dev)
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev locales acl attr)

# Makes a locale whose decimal separator is ',' available, so the tests of
# locale-independent number texts can run under one. Best effort: without
# root the tests fall back to what the machine has.
ensure_comma_locale() {
  locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' && return 0
  [ "$(id -u)" -eq 0 ] || return 0
  localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1 || true
}

# Compiler launcher flags for cmake: ccache when the machine has it, so
# rebuilds of several checkouts share their objects; nothing otherwise.
cmake_launcher_flags() {
  command -v ccache >/dev/null 2>&1 && echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  return 0
}
