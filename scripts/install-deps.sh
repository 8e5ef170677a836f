#!/usr/bin/env bash
# Installs every Debian package utsushi needs to build, run and test.
# Idempotent and quick when everything is present: apt-get runs only when a package is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config python3 ccache
  libsdl2-dev libx11-dev libepoxy-dev libglm-dev libgl1-mesa-dri libegl-mesa0 libgl-dev
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic fonts-ipafont-mincho
  libpng-dev libjpeg62-turbo-dev zlib1g-dev
  liblua5.1-0-dev libvorbis-dev libogg-dev libonig-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xfonts-base
  vorbis-tools sox imagemagick xdotool x11-utils evilwm
  dpkg-dev file lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}" >&2
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
