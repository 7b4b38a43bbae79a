#!/usr/bin/env bash
# Set-up of a fresh Debian 12 machine: installs what the build and the tests
# need, builds, and then either prepares the database and starts the program
# ("run") or runs every test ("test").
set -euo pipefail
cd "$(dirname "$0")"

mode="${1:-}"
case "$mode" in run|test) ;; *) echo "usage: ./setup.sh run|test" >&2; exit 2 ;; esac

PACKAGES="build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev googletest libgtest-dev
  firebird3.0-server-core firebird-dev libfbclient2 firebird3.0-utils
  poppler-utils xvfb xauth x11-utils fonts-wine fonts-liberation2 fonts-dejavu-core"

# The release zip read in place and fetched from DATASUS; the download tests' FTP server.
PACKAGES="$PACKAGES libzip-dev libdeflate-dev libcurl4-openssl-dev python3 python3-pyftpdlib zip unzip"
missing=""
# The office's server the tests start privately; what the package test runs.
PACKAGES="$PACKAGES firebird3.0-server dpkg-dev desktop-file-utils man-db"
# Exports to XLSX.
PACKAGES="$PACKAGES libxlsxwriter-dev"
for p in $PACKAGES; do dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"; done
if [ -n "$missing" ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi

DATA_DIR="${KORVANE_DATA_DIR:-$HOME/.local/share/korvane}"
BUILD_DIR="${KORVANE_BUILD_DIR:-build}"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_DATA_DIR="$DATA_DIR"
cmake --build "$BUILD_DIR" -j "$(nproc)"

if [ "$mode" = test ]; then
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$BUILD_DIR" --output-on-failure -j 2
  exit 0
fi

mkdir -p "$DATA_DIR"
if [ ! -f "$DATA_DIR/KORVANE.GDB" ]; then
  # A real release from the first start: the newest DATASUS publishes when it
  # answers within seconds, otherwise the one that ships in data/.
  release=$(timeout 15 "$BUILD_DIR/korvane-cli" download 2>/dev/null | tail -n 1) || release=""
  [ -n "$release" ] && [ -f "$release" ] || release=$(ls data/TabelaUnificada_*.zip | tail -n 1)
  "$BUILD_DIR/korvane-cli" createdb "$release"
  "$BUILD_DIR/korvane-cli" update "$release"
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$BUILD_DIR/korvane"
else
  exec xvfb-run -a -s "-screen 0 1366x768x24" "$BUILD_DIR/korvane"
fi
