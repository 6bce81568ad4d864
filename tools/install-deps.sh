#!/usr/bin/env bash
# Installs the Debian packages the reader needs to build, test and run.
# Idempotent: installs only what is missing. Needs root (or sudo).
set -euo pipefail

PACKAGES=(
  build-essential cmake make pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-svg-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libqcustomplot-dev libqcustomplot2.1-qt6
  clang libclang-rt-14-dev
  fonts-liberation fonts-dejavu-core
  xvfb xauth x11-utils xdotool imagemagick xclip
  # Benchmarks only: bench_data times pandas.read_csv on the same table beside the loader.
  python3-pandas
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
