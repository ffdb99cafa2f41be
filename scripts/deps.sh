#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the player need, when missing.
set -euo pipefail
PACKAGES=(
  build-essential cmake ninja-build pkg-config git clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libminizip-dev libtinyxml-dev
  libsdl2-dev libx11-dev libxtst-dev libepoxy-dev libgl1-mesa-dri libegl-dev mesa-utils xvfb xauth
  glslang-dev glslang-tools spirv-cross libspirv-cross-c-shared-dev
  libstb-dev libfreetype-dev fonts-dejavu-core
  libsndfile1-dev libopenmpt-dev libkissfft-dev
  libimgui-dev angelscript-dev locales llvm clang-tidy
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
