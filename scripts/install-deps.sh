#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when all are there.
set -euo pipefail
packages=(g++ make cmake qtbase5-dev libqt5opengl5-dev freeglut3-dev libglu1-mesa-dev
          libgl1-mesa-dev libgl1-mesa-dri libgtest-dev googletest libbenchmark-dev xvfb xauth
          clang libclang-rt-14-dev locales gfortran python3-meshio)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
