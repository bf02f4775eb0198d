#!/usr/bin/env bash
# Installs the Debian packages Quillon needs to build, run, test and benchmark.
# Idempotent and silent when everything is already there; works as root or through sudo.
set -euo pipefail

packages=(
  cmake g++ make pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  libturbojpeg0-dev libjpeg62-turbo-dev
  # PNG is built into Qt; WebP and TIFF come as Qt plugins, HEIC through libheif, whose Debian 12
  # build has its HEVC decoder (libde265) and encoder (x265) built in, with no plugin packages
  qt6-image-formats-plugins libheif-dev
  # colour profiles: pictures are turned into sRGB before they are resized and saved
  liblcms2-dev
  # the date and camera kept in a saved JPEG's EXIF
  libexif-dev
  fonts-dejavu-core
  # tests, the smoke test and the benchmarks (zlib: the checksums of PNG chunks made in code)
  zlib1g-dev
  xvfb xdotool x11-utils xclip xauth imagemagick libvips-tools libjpeg-turbo-progs strace
  # the benchmark's peak memory of each process: GNU time
  time
  # the screen-reader test: the window read through AT-SPI on a session bus of its own
  at-spi2-core python3-pyatspi dbus-daemon dbus-x11
  # the fuzz targets: clang with libFuzzer and the sanitizers' runtime
  clang libclang-rt-14-dev
  # packaging
  desktop-file-utils appstream dpkg-dev file
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
