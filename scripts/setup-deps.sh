#!/usr/bin/env bash
# Installs the Debian packages the editor builds, runs, packages and tests
# with (the icon renderer and the desktop-file and AppStream validators too).
# Idempotent: asks apt-get only for what is missing, and says nothing when
# everything is already present.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev
  portaudio19-dev libasound2-dev
  libmpg123-dev libmp3lame-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libtag1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  sox ffmpeg lame mpg123
  flac vorbis-tools opus-tools
  clang libclang-rt-dev
  fonts-dejavu-core
  librsvg2-bin
  desktop-file-utils appstream
  dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "setup: missing packages ${missing[*]}; run as root or install sudo" >&2; exit 1; }
  sudo="sudo"
fi
echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq >/dev/null
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
