#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, when missing.
# Runs as root without input; quiet when everything is there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  libgtest-dev googletest libbenchmark-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth x11-apps imagemagick fonts-noto-cjk fonts-liberation
  ffmpeg attr file procps locales liburing-dev
  nsis dpkg-dev man-db groff-base cmark
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# The Japanese user interface is tested under ja_JP.UTF-8.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  echo "deps: generating the locale ja_JP.UTF-8"
  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
