#!/usr/bin/env bash
# Installs what building and running Rennik1 needs, from Debian's or Ubuntu's packages.
# As root (or with sudo) it installs what is missing; otherwise it prints the one command to run.
set -euo pipefail

packages=(cmake make g++ libgtest-dev qt6-base-dev libgl-dev fonts-ipafont-gothic)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  sudo=(sudo)
else
  echo "Rennik1 needs these packages. Please run:" >&2
  echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q "${missing[@]}"
