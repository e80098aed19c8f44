#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks its name, file list and metadata, the
# desktop entries and AppStream metadata it installs, and what lintian says of it.
# Usage: check_package.sh <build dir>
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
for f in "./usr/games/Klimbor" "./usr/games/klb best scores" \
  ./usr/share/applications/klimbor.desktop ./usr/share/applications/klb-best-scores.desktop \
  ./usr/share/metainfo/example.klimbor.klimbor.metainfo.xml \
  ./usr/share/man/man6/Klimbor.6.gz "./usr/share/man/man6/klb best scores.6.gz" \
  ./usr/share/doc/klimbor/copyright ./usr/share/doc/klimbor/changelog.gz \
  ./usr/share/icons/hicolor/scalable/apps/klimbor.svg ./usr/share/doc/klimbor/README.md; do
  grep -qF -- " $f" <<<"$contents" || { echo "missing from the package: $f"; fail=1; }
done
for size in 16 22 24 32 48 64 128 256; do
  f="./usr/share/icons/hicolor/${size}x${size}/apps/klimbor.png"
  grep -qF -- " $f" <<<"$contents" || { echo "missing icon: $f"; fail=1; }
done
if grep -qE ' \./(usr/local|usr/bin|home|root|tmp)/' <<<"$contents"; then
  echo "files outside their place (games belong in /usr/games)"; fail=1
fi

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = klimbor ] || { echo "Package: $(field Package)"; fail=1; }
[ "$(field Section)" = games ] || { echo "Section: $(field Section)"; fail=1; }
depends=$(field Depends)
for dep in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins fonts-comic-neue; do
  grep -q "$dep" <<<"$depends" || { echo "Depends lacks $dep: $depends"; fail=1; }
done
dpkg-deb -I "$deb" >/dev/null

# Errors and warnings fail; an informational tag kept is overridden, with its reason.
report=$(lintian --fail-on error,warning --display-info "$deb" 2>&1) ||
  { echo "lintian fails the package"; fail=1; }
grep -v 'root privileges' <<<"$report" || true

# The desktop entries and AppStream metadata as installed.
root="$out/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/*.desktop || fail=1
grep -q '^Categories=Game;ArcadeGame;$' "$root/usr/share/applications/klimbor.desktop" ||
  { echo "game entry not in Game;ArcadeGame;"; fail=1; }
for entry in "$root"/usr/share/applications/*.desktop; do
  program=$(sed -n 's/^Exec="\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' "$entry")
  [ -x "$root$program" ] || { echo "$(basename "$entry") starts $program, not in the package"; fail=1; }
done
appstreamcli validate --no-net --pedantic "$root"/usr/share/metainfo/*.metainfo.xml || fail=1
appstreamcli validate-tree --no-net --pedantic "$root" >/dev/null || fail=1
file "$root/usr/games/Klimbor" 2>/dev/null | grep -q 'not stripped' && { echo "not stripped"; fail=1; }

[ $fail -eq 0 ] && echo "package $name: ok"
exit $fail
