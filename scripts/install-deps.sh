#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the course needs.
# Idempotent: packages already present are left alone, and apt is not touched at all
# when nothing is missing.
set -euo pipefail

packages=(
  # toolchain
  cmake ninja-build g++ pkg-config file dpkg-dev clang-format
  # the layout check (scripts/check-layout.py)
  python3-minimal
  # Qt 6 (Core, Gui, Widgets) and the GL headers its CMake files expect
  qt6-base-dev qt6-base-dev-tools libgl-dev
  # compressed movies; full-colour JPEG output of the picture generator
  zlib1g-dev libjpeg-dev
  # tests, benchmarks, fuzzing
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
  # driving the real program on a virtual display
  xvfb xauth xdotool x11-utils imagemagick
  # reading the pointer's picture back from the virtual display (Xlib, XFixes)
  libx11-dev libxfixes-dev
  # fonts: the labels' fallback font, the lesson movies' glyphs, the Arabic pictures
  fonts-dejavu-core fonts-noto-core
  # the Windows resource check, desktop metadata checks
  binutils-mingw-w64-x86-64 appstream desktop-file-utils
  # MP3 sound in movies (decoded in feed mode)
  libmpg123-dev
  # movie sound playback (QAudioSink)
  qt6-multimedia-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installation des paquets manquants : ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
