#!/usr/bin/env bash
# Installs every Debian package the firmware, its simulator and its tests need.
# Safe to run again: apt-get skips what is already there.
# --cross also installs the ARM cross toolchain, the :armhf development
# packages of every library the device's programs and unit tests link, and
# qemu-arm-static to run them (scripts/cross-build.sh).
set -euo pipefail
CROSS=0
[ "${1:-}" = "--cross" ] && CROSS=1
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
if [ "$CROSS" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx armhf; then
  $SUDO dpkg --add-architecture armhf
fi
# A mirror caught mid-sync fails one index; the lists it did get still serve the install.
$SUDO apt-get update || echo "apt-get update failed; installing from the package lists at hand"
$SUDO apt-get install -y --no-install-recommends \
  build-essential cmake ninja-build pkg-config ccache git \
  clang-14 libclang-rt-14-dev \
  libglib2.0-dev libxml2-dev \
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev \
  libasound2-dev libasound2-plugins alsa-utils \
  libsoundtouch-dev libmp3lame-dev libspeexdsp-dev \
  libpoppler-cpp-dev libpoppler-glib-dev libmobi-dev zlib1g-dev libminizip-dev \
  espeak-ng libespeak-ng-dev espeak-ng-data \
  libicu-dev icu-devtools libuchardet-dev \
  libgtest-dev libgmock-dev googletest libbenchmark-dev \
  ffmpeg sox python3 valgrind time \
  unzip zip tmux
if [ "$CROSS" = 1 ]; then
  $SUDO apt-get install -y --no-install-recommends \
    crossbuild-essential-armhf qemu-user-static file \
    libglib2.0-dev:armhf libxml2-dev:armhf \
    libavformat-dev:armhf libavcodec-dev:armhf libavutil-dev:armhf libswresample-dev:armhf \
    libasound2-dev:armhf libsoundtouch-dev:armhf libmp3lame-dev:armhf libspeexdsp-dev:armhf \
    libpoppler-cpp-dev:armhf libpoppler-glib8:armhf libcairo2-dev:armhf libmobi-dev:armhf zlib1g-dev:armhf libminizip-dev:armhf \
    libespeak-ng-dev:armhf libicu-dev:armhf libuchardet-dev:armhf \
    libgtest-dev:armhf libgmock-dev:armhf ||
    echo "install-deps: the ARM packages could not be installed (the mirror's armhf lists?);" \
         "the test command skips its ARM step without them" >&2
  # (poppler-glib's armhf development package would replace the PC's: the
  # cross build uses the PC's headers with the armhf library.)
fi
