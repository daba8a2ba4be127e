#!/usr/bin/env bash
# Installs what is missing, builds a Release build (the program and the car simulator) and
# starts Rennik1.
# Arguments are passed to the program (for example --dir DIR).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DRENNIK_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)" --target rennik1 rennik1-carsim
exec build/release/src/rennik1 "$@"
