#!/usr/bin/env bash
# Installs everything the build and the tests need on Debian 12, as root.
# Idempotent and quiet: a second run only checks.
set -euo pipefail

export DEBIAN_FRONTEND=noninteractive
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

PKGS=(
  cmake ninja-build g++ make git pkg-config googletest libgtest-dev
  clang-format clang libclang-rt-14-dev
  g++-mingw-w64-i686 mingw-w64-i686-dev binutils-mingw-w64-i686
  wine wine32:i386 wine64 libwine:i386
  xvfb xauth x11-utils imagemagick
  fonts-wqy-zenhei fonts-wine locales
  zip unzip
  osslsigncode openssl util-linux
)

missing=()
for p in "${PKGS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Chinese texts need the zh_CN locale; C.UTF-8 is used for the foreign-locale check.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
  if ! grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen >/dev/null
fi
