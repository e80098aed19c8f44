#!/usr/bin/env bash
# Installs the Debian packages Klimbor needs that are missing, then configures and builds it into
# build/. Quick when there is nothing to do: one dpkg query and an up-to-date build.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake make g++ pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev
  libgtest-dev libgmock-dev
  fonts-comic-neue
  libxcb1-dev libx11-dev
  xvfb xauth xdotool imagemagick x11-xserver-utils openbox
  dpkg-dev desktop-file-utils file lintian appstream
  clang libclang-rt-14-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools googletest
  wine wine64 wine32:i386
  emscripten chromium chromium-driver python3-selenium
)

missing=()
for p in "${packages[@]}"; do
  [ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null)" = "ii " ] || missing+=("$p")
done
# npm installs what the WebAssembly suite needs under Node (tests/web). Debian's comes apart from
# its nodejs; a Node from elsewhere brings its own, which Debian's would conflict with.
command -v npm >/dev/null || missing+=(npm)

if [ ${#missing[@]} -gt 0 ]; then
  echo "Klimbor : installation des paquets manquants : ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Klimbor : lancez ce script en root ou installez sudo." >&2; exit 1; }
    sudo=sudo
  fi
  export DEBIAN_FRONTEND=noninteractive
  # Wine runs 32-bit Windows programs with the 32-bit loader, from the i386 architecture.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi

# KLB_WERROR=ON (as ./run-tests sets it) makes every warning of the project's code an error.
if [ ! -f build/CMakeCache.txt ] || [ -n "${KLB_WERROR:-}" ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKLB_WERROR="${KLB_WERROR:-OFF}" >/dev/null
fi
cmake --build build --parallel "$(nproc)"
