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
  wine wine64
  emscripten chromium chromium-driver python3-selenium
  firefox-esr python3-websocket webkit2gtk-driver libwebkit2gtk-4.1-0
)

# Wine's 32-bit loader. Without it the Windows suites run the same programs built for 64-bit
# Windows (tools/wine-tests.sh), so a mirror that cannot give it now stops nothing.
optional=(wine32:i386)

installed() { [ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null)" = "ii " ]; }
missing=()
for p in "${packages[@]}" "${optional[@]}"; do
  installed "$p" || missing+=("$p")
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
  # A mirror caught mid-sync fails one index now and then; the others are still good, and the
  # install below says what it cannot find.
  for try in 1 2 3; do
    $sudo apt-get update -qq && break
    echo "Klimbor : apt-get update a échoué (essai $try sur 3)" >&2
    [ "$try" -lt 3 ] && sleep 30
  done
  needed=()
  for p in "${missing[@]}"; do
    [[ " ${optional[*]} " == *" $p "* ]] || needed+=("$p")
  done
  [ ${#needed[@]} -eq 0 ] || $sudo apt-get install -y -qq --no-install-recommends "${needed[@]}" </dev/null
  for p in "${optional[@]}"; do
    installed "$p" || $sudo apt-get install -y -qq --no-install-recommends "$p" </dev/null ||
      echo "Klimbor : $p n'a pas pu être installé ; les suites Windows tourneront en 64 bits." >&2
  done
fi

# KLB_WERROR=ON (as ./run-tests sets it) makes every warning of the project's code an error.
if [ ! -f build/CMakeCache.txt ] || [ -n "${KLB_WERROR:-}" ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKLB_WERROR="${KLB_WERROR:-OFF}" >/dev/null
fi
cmake --build build --parallel "$(nproc)"
