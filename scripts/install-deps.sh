#!/usr/bin/env bash
# Installs every Debian package the firmware, its simulator and its tests need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
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
  ffmpeg sox python3 valgrind \
  unzip zip tmux
