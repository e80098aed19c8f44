#!/usr/bin/env bash
# Builds Klimbor for Windows (tools/build-windows.sh), runs its headless suites under Wine, then
# plays Klimbor.exe and "klb best scores.exe" through the end-to-end suite of the Linux build
# (build/, made by tools/setup.sh), all in one fresh Wine prefix, removed afterwards. Wine runs
# a 32-bit program only where the kernel runs 32-bit code; where it does not (some virtual
# machines), the same suites and programs built for 64-bit Windows run instead, the 32-bit build
# still made and checked. Exits non-zero if a build or a suite fails.
set -uo pipefail
cd "$(dirname "$0")/.."
export KLB_JOBS=${KLB_JOBS:-$(nproc)}

build() {
  local log
  log=$(mktemp)
  if ! tools/build-windows.sh "$@" >"$log" 2>&1; then
    tail -n 40 "$log"
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}

command -v wine >/dev/null || { echo "Klimbor : Wine manque (tools/setup.sh l'installe)" >&2; exit 1; }
build || { echo "Klimbor : la construction pour Windows 32 bits a échoué" >&2; exit 1; }

prefix=$(mktemp -d)
export WINEPREFIX=$prefix/wine WINEDEBUG=-all
# No menu entries in the user's desktop, no offer to install .NET or a browser engine.
export WINEDLLOVERRIDES="winemenubuilder.exe,mscoree,mshtml=d"
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$prefix"' EXIT

# Debian's 32-bit loader, from wine32; it starts only where the kernel runs 32-bit code.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  loader=/usr/lib/wine/wine
  suites=build-win32
else
  echo "Wine ne lance pas de programme 32 bits sur cette machine : les mêmes suites, en 64 bits."
  build --64 || { echo "Klimbor : la construction pour Windows 64 bits a échoué" >&2; exit 1; }
  loader=/usr/lib/wine/wine64
  export WINELOADER=$loader
  suites=build-win64
fi

"$loader" wineboot --init >/dev/null 2>&1
echo "$suites/tests/headless_tests.exe sous $("$loader" --version)"
timeout 600 "$loader" "$suites/tests/headless_tests.exe" --gtest_brief=1
status=$?
[ $status -eq 0 ] || exit $status

# The Win32 binding needs a display: an X server of its own, and a Wine server started anew,
# whose desktop then lives on it.
wineserver -k >/dev/null 2>&1; wineserver -w
exec 3>"$prefix/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'wineserver -k >/dev/null 2>&1; kill $xvfb 2>/dev/null; rm -rf "$prefix"' EXIT
until [ -s "$prefix/display" ]; do sleep 0.1; done
echo "$suites/tests/win32_binding_tests.exe"
DISPLAY=":$(cat "$prefix/display")" timeout 300 "$loader" "$suites/tests/win32_binding_tests.exe" \
  --gtest_brief=1 || exit 1
wineserver -k >/dev/null 2>&1; wineserver -w

# The programs themselves, played through the end-to-end suite of the Linux build (the same
# helpers, on an X server of their own), in the prefix above: its drive C: holds the table.
if [ ! -x build/tests/e2e_tests ]; then
  echo "Klimbor : build/tests/e2e_tests manque (tools/setup.sh le construit)" >&2
  exit 1
fi
echo "Klimbor.exe et « klb best scores.exe » ($suites) joués sous Wine et Xvfb"
KLB_E2E_WINE=$PWD/$suites WINELOADER=$loader timeout 900 build/tests/e2e_tests \
  --gtest_brief=1 --gtest_filter='Playing.*:Recording.*:Keyboard.*'
