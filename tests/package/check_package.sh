#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks its name, file list and metadata, and
# the desktop entries it installs. Usage: check_package.sh <build dir>
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

(cd "$build" && cpack -B "$out" >/dev/null)
deb=$(ls "$out"/klimbor_*_*.deb)
name=$(basename "$deb")
[[ $name =~ ^klimbor_[0-9]+\.[0-9]+\.[0-9]+_(amd64|arm64|i386|armhf)\.deb$ ]] ||
  { echo "unexpected file name: $name"; exit 1; }

fail=0
contents=$(dpkg-deb -c "$deb")
for f in "./usr/bin/Klimbor" "./usr/bin/klb best scores" \
  ./usr/share/applications/klimbor.desktop ./usr/share/applications/klb-best-scores.desktop \
  ./usr/share/icons/hicolor/scalable/apps/klimbor.svg ./usr/share/doc/klimbor/README.md; do
  grep -qF -- " $f" <<<"$contents" || { echo "missing from the package: $f"; fail=1; }
done
for size in 16 22 24 32 48 64 128 256; do
  f="./usr/share/icons/hicolor/${size}x${size}/apps/klimbor.png"
  grep -qF -- " $f" <<<"$contents" || { echo "missing icon: $f"; fail=1; }
done
if grep -qE ' \./(usr/local|home|root|tmp)/' <<<"$contents"; then
  echo "files outside /usr"; fail=1
fi

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = klimbor ] || { echo "Package: $(field Package)"; fail=1; }
[ "$(field Section)" = games ] || { echo "Section: $(field Section)"; fail=1; }
depends=$(field Depends)
for dep in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins fonts-comic-neue; do
  grep -q "$dep" <<<"$depends" || { echo "Depends lacks $dep: $depends"; fail=1; }
done
dpkg-deb -I "$deb" >/dev/null

# The desktop entries as installed.
dpkg-deb -x "$deb" "$out/root"
desktop-file-validate "$out"/root/usr/share/applications/*.desktop || fail=1
grep -q '^Categories=Game;ArcadeGame;$' "$out/root/usr/share/applications/klimbor.desktop" ||
  { echo "game entry not in Game;ArcadeGame;"; fail=1; }
file "$out/root/usr/bin/Klimbor" 2>/dev/null | grep -q 'not stripped' && { echo "not stripped"; fail=1; }

[ $fail -eq 0 ] && echo "package $name: ok"
exit $fail
