#!/usr/bin/env bash
# Installs every Debian package the firmware, its simulator and its tests need.
# Safe to run again: apt-get skips what is already there.
# --cross also installs the ARM cross toolchain and qemu-arm-static, and makes
# an armhf sysroot (scripts/make-armhf-sysroot.sh) of every library the
# device's programs and unit tests link (scripts/cross-build.sh).
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
  $SUDO apt-get install -y --no-install-recommends crossbuild-essential-armhf qemu-user-static file
  # The armhf libraries go into a sysroot of their own rather than beside the
  # PC's: multiarch needs both architectures at the same version, and a
  # mirror whose armhf lists lag behind the PC's packages (or fail to
  # download) cannot give that. The packages are fetched with their whole
  # dependency closure and unpacked; nothing is installed.
  ARMHF_PACKAGES=(libc6-dev libstdc++-12-dev libglib2.0-dev libxml2-dev
    libavformat-dev libavcodec-dev libavutil-dev libswresample-dev
    libasound2-dev libsoundtouch-dev libmp3lame-dev libspeexdsp-dev
    libpoppler-cpp-dev libpoppler-glib-dev libcairo2-dev libmobi-dev zlib1g-dev libminizip-dev
    libespeak-ng-dev espeak-ng-data libicu-dev libuchardet-dev libgtest-dev libgmock-dev)
  SYSROOT=${DTB_ARMHF_SYSROOT:-/opt/dtb-armhf-sysroot}
  DEBS=${DTB_ARMHF_DEBS:-/var/cache/dtb-armhf-debs}
  if ! $SUDO env SYSROOT="$SYSROOT" DEBS="$DEBS" bash "$(dirname "$0")/make-armhf-sysroot.sh" "${ARMHF_PACKAGES[@]}"; then
    echo "install-deps: the armhf sysroot could not be made (the mirror's armhf lists or packages," \
         "see above); the test command skips its ARM step without it" >&2
  fi
fi
