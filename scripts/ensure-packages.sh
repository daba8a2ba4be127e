#!/usr/bin/env bash
# Installs the Debian packages named on the command line that are missing, from Debian's or
# Ubuntu's archive. As root (or with sudo) it installs them; otherwise it prints the one command
# to run and fails. A first argument --no-install-recommends is passed to apt-get.
set -euo pipefail

options=()
if [ "${1:-}" = --no-install-recommends ]; then
  options=(--no-install-recommends)
  shift
fi

missing=()
for p in "$@"; do
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
  echo "  sudo apt-get update && sudo apt-get install -y ${options[*]} ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q "${options[@]}" "${missing[@]}"
