#!/usr/bin/env bash
# Cross-builds Klimbor for 32-bit Windows into build-win32/: the game and score libraries and the
# headless suites as .exe files, then checks that every .exe imports Windows' own DLLs alone, so
# that it runs with no DLL beside it. With --64, the same for 64-bit Windows into build-win64/.
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

system_dlls='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|msvcrt|ws2_32|winmm|shlwapi|bcrypt|ucrtbase|api-ms-win-.*)\.dll$'
status=0
while IFS= read -r -d '' exe; do
  while read -r dll; do
    if ! tr '[:upper:]' '[:lower:]' <<<"$dll" | grep -Eq "$system_dlls"; then
      echo "Klimbor : $exe a besoin de $dll, qui n'est pas une DLL de Windows" >&2
      status=1
    fi
  done < <("$triplet-objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
done < <(find "$dir" -name '*.exe' -not -path '*/CMakeFiles/*' -print0)
exit $status
