#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
# Sourced by scripts/start and scripts/test.
set -euo pipefail

QUORVA_PACKAGES=(
  cmake g++ make pkg-config clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev libxcb-cursor0
  fonts-liberation
  xvfb xauth openbox trayer xdotool xclip x11-utils imagemagick
  dbus at-spi2-core python3-pyatspi gir1.2-atspi-2.0 python3-gi
  cmark-gfm gzip groff-base man-db file dpkg-dev desktop-file-utils appstream lintian
)

quorva_missing_packages() {
  local p missing=()
  for p in "${QUORVA_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  echo "${missing[@]:-}"
}

quorva_install_deps() {
  local missing
  missing=$(quorva_missing_packages)
  [ -z "$missing" ] && return 0
  echo "Installing missing Debian packages: $missing" >&2
  local sudo=""
  if [ "$(id -u)" != 0 ]; then
    if command -v sudo >/dev/null; then sudo="sudo"; else
      echo "Please install as root: apt-get install $missing" >&2; return 1
    fi
  fi
  $sudo apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
}

quorva_build() {
  local top
  top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$top/build" -j "$(nproc)"
}
