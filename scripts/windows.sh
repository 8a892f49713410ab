#!/usr/bin/env bash
# Builds the Windows add-in build/win32/tallyweave.dll with mingw-w64 (i686) and checks it under a
# headless Wine. Installs the cross toolchain and Wine itself. Idempotent; needs root (or sudo).
# Usage: scripts/windows.sh [install|build|test]   (default: all three)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
step="${1:-all}"

install_packages() {
  local packages=(cmake ninja-build g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64-i686
    wine wine32:i386 libwine-dev:i386)
  local sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    timeout 600 "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive timeout 1800 "${sudo_cmd[@]}" apt-get install -y -qq \
      --no-install-recommends "${missing[@]}"
  fi
}

case "$step" in
  install | all) install_packages ;;
esac
