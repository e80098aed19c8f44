#!/usr/bin/env bash
# Cross-builds Klimbor for 32-bit Windows into build-win32/: the game and score libraries and the
# headless suites as .exe files, then checks that every .exe imports Windows' own DLLs alone, so
# that it runs with no DLL beside it. Once Klimbor.exe and "klb best scores.exe" are built, it
# checks the resources each carries and packs both in Klimbor-<version>-win32.zip with CPack.
# With --64, the same for 64-bit Windows into build-win64/ (Klimbor-<version>-win64.zip).
# Needs Debian's mingw-w64 (tools/setup.sh installs it).
set -euo pipefail
cd "$(dirname "$0")/.."

arch=i686
dir=build-win32
if [ "${1:-}" = "--64" ]; then
  arch=x86_64
  dir=build-win64
fi
triplet=$arch-w64-mingw32

# Warnings are errors here unless KLB_WERROR=OFF: the compiler is Debian's own, known.
cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="cmake/$triplet.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DKLB_WERROR="${KLB_WERROR:-ON}" >/dev/null
cmake --build "$dir" --parallel "${KLB_JOBS:-$(nproc)}"

system_dlls='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|oleacc|comctl32|comdlg32|msvcrt|ws2_32|winmm|shlwapi|bcrypt|ucrtbase|api-ms-win-.*)\.dll$'
status=0
while IFS= read -r -d '' exe; do
  while read -r dll; do
    if ! tr '[:upper:]' '[:lower:]' <<<"$dll" | grep -Eq "$system_dlls"; then
      echo "Klimbor : $exe a besoin de $dll, qui n'est pas une DLL de Windows" >&2
      status=1
    fi
  done < <("$triplet-objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
done < <(find "$dir" -name '*.exe' -not -path '*/CMakeFiles/*' -print0)

# The programs start without COM: what screen readers need (oleacc, oleaut32, ole32) is loaded
# when a reader first asks, so a game played without one starts as fast as before.
for exe in "$dir/Klimbor.exe" "$dir/klb best scores.exe"; do
  [ -f "$exe" ] || continue
  if "$triplet-objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' |
    grep -Eiq '^(oleacc|oleaut32|ole32)\.dll$'; then
    echo "Klimbor : $exe charge COM dès son démarrage au lieu de la première demande d'un lecteur d'écran" >&2
    status=1
  fi
done

# What a program carries besides its code, read back from the .exe by windres: exactly one
# manifest, ours, without trustInfo (a requestedExecutionLevel would end the VirtualStore
# redirection of "C:\scores klimbor"); the icon; the version information naming this file; and
# for the game every picture of assets/win32.
check_resources() {
  local exe=$1 name dump manifests
  name=$(basename "$exe")
  dump=$("$triplet-windres" -i "$exe" -O rc)
  manifests=$(grep -c '^[^ ].* 24 /\* RT_MANIFEST \*/' <<<"$dump" || true)
  if [ "$manifests" != 1 ]; then
    echo "Klimbor : $exe a $manifests manifestes au lieu d'un" >&2
    return 1
  fi
  if ! grep -q 'dpiAwareness' <<<"$dump" || grep -Eqi 'trustInfo|requestedExecutionLevel' <<<"$dump"
  then
    echo "Klimbor : le manifeste de $exe n'est pas celui d'apps/win32 (ou demande des droits)" >&2
    return 1
  fi
  if ! grep -q '^1 14 /\* RT_GROUP_ICON \*/' <<<"$dump"; then
    echo "Klimbor : $exe n'a pas son icône" >&2
    return 1
  fi
  if ! grep -q '^1 VERSIONINFO' <<<"$dump" ||
    ! grep -Fq "VALUE \"OriginalFilename\", \"$name\"" <<<"$dump"; then
    echo "Klimbor : $exe n'a pas les informations de version de $name" >&2
    return 1
  fi
  if [ "$name" = Klimbor.exe ]; then
    local picture
    for picture in assets/win32/*.bmp; do
      picture=$(basename "$picture" .bmp)
      if ! grep -q "^\"${picture^^}\" 2 /\* RT_BITMAP \*/" <<<"$dump"; then
        echo "Klimbor : $exe n'a pas l'image ${picture^^}" >&2
        return 1
      fi
    done
  fi
}

# The programs exist once the Windows window system is built; then they go into the zip.
programs=("$dir/Klimbor.exe" "$dir/klb best scores.exe")
if [ $status -eq 0 ] && [ -f "${programs[0]}" ] && [ -f "${programs[1]}" ]; then
  for exe in "${programs[@]}"; do
    check_resources "$exe" || status=1
  done
  if [ $status -eq 0 ]; then
    zip=$(cd "$dir" && cpack -G ZIP | sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p') || true
    if [ -f "$zip" ]; then
      echo "Le zip pour Windows : $zip"
    else
      echo "Klimbor : CPack n'a pas fait le zip dans $dir" >&2
      status=1
    fi
  fi
fi
exit $status
