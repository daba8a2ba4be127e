#!/usr/bin/env bash
# Installs what building and running Rennik1 needs, from Debian's or Ubuntu's packages, with
# their recommended packages.
set -euo pipefail
exec "$(dirname "$0")/ensure-packages.sh" cmake make g++ libgtest-dev qt6-base-dev qt6-charts-dev libqt6opengl6-dev qt6-qpa-plugins libgl-dev fonts-ipafont-gothic qt6-translations-l10n libsqlite3-dev libcpp-httplib-dev libqrcodegencpp-dev pkg-config chromium nodejs clang-14 libclang-rt-14-dev ccache
