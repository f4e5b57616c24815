#!/usr/bin/env bash
# Installs the Debian packages the program, its tests and its benchmark need.
set -euo pipefail
packages=(build-essential cmake clang-format libgtest-dev
          libfbclient2 firebird-dev firebird3.0-server-core firebird3.0-utils
          qt6-base-dev xvfb xauth)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
