#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the client need.
# Does nothing when everything is already there; needs root to install.
# With --fuzz: also clang and its libFuzzer runtime, which only `make fuzz` needs.
set -euo pipefail

packages=(
  cmake g++ make ninja-build ccache pkg-config
  qt6-base-dev qt6-qpa-plugins qt6-webengine-dev qt6-multimedia-dev libgl-dev
  libcurl4-openssl-dev libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core fonts-liberation2 xdg-utils poppler-utils pandoc python3-olefile
  xvfb xauth locales openssl gnubg
)

if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Run as root (or install them with apt-get) and try again." >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${missing[@]}"
fi

# One test runs under a comma-decimal locale; make sure one exists.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf8$'; then
  if [ "$(id -u)" -eq 0 ] && [ -f /etc/locale.gen ]; then
    sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    locale-gen >/dev/null 2>&1 || true
  fi
fi
