#!/usr/bin/env bash
# Installs the Debian packages the project builds and tests with. Idempotent; as root it installs
# directly, otherwise through sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang
  libgtest-dev libgmock-dev libbenchmark-dev
  libminizip-dev libdeflate-dev zlib1g-dev libpugixml-dev libxml2-dev libcurl4-openssl-dev
  libcli11-dev libcpp-httplib-dev nlohmann-json3-dev libpng-dev
  libcairo2-dev libpango1.0-dev poppler-utils fonts-dejavu-core
  # Word 97-2003 documents open through LibreOffice's Writer (headless); the tests make such documents
  # with it and check that another word processor reads what the engine saves. About 75 s to install.
  libreoffice-writer-nogui
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "install-deps: missing packages (${missing[*]}); run as root or install sudo" >&2
      exit 1
    fi
    sudo_cmd=(sudo)
  fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
