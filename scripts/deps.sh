#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when they are missing;
# further package names given as arguments are installed the same way.
set -euo pipefail

packages=(
  cmake make g++ pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix
  fonts-dejavu-core fonts-liberation
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
