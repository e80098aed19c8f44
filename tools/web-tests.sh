#!/usr/bin/env bash
# Builds Klimbor for browsers (tools/build-web.sh) and runs its headless suite, compiled to
# WebAssembly, under Node: the game's rules, and the score file on the browser's storage code,
# with the npm package fake-indexeddb (tests/web, pinned by its lock file) standing in for the
# browser's IndexedDB; then the site itself, in Chromium, Firefox and WebKitGTK at once
# (KLB_ENGINES names fewer): the smoke test, then every scenario of tests/web/test_*.py in each.
# Exits non-zero if the build or a suite fails.
set -uo pipefail
cd "$(dirname "$0")/.."
export KLB_JOBS=${KLB_JOBS:-$(nproc)}

for tool in emcmake node npm; do
  command -v $tool >/dev/null || { echo "Klimbor : $tool manque (tools/setup.sh l'installe)" >&2; exit 1; }
done

# Installed anew only when the lock file changed since.
modules=tests/web/node_modules
if [ ! -f $modules/.package-lock.json ] || [ tests/web/package-lock.json -nt $modules/.package-lock.json ]; then
  npm ci --prefix tests/web --no-audit --no-fund --loglevel=error >/dev/null ||
    { echo "Klimbor : npm n'a pas installé tests/web" >&2; exit 1; }
fi

log=$(mktemp)
if ! tools/build-web.sh >"$log" 2>&1; then
  tail -n 40 "$log"
  rm -f "$log"
  echo "Klimbor : la construction pour le web a échoué" >&2
  exit 1
fi
grep '^Le site' "$log"
rm -f "$log"

# Node's own fetch cannot load the .wasm beside the program from a path: without it, the
# program reads the file.
echo "build-web/tests/headless_tests.js sous Node $(node --version)"
status=0
timeout 600 node --no-experimental-fetch build-web/tests/headless_tests.js --gtest_brief=1 || status=1

# Debian's Python, which has Debian's selenium and websocket; the python3 on the PATH may be
# another.
# The engines side by side, each in its own lane: a round is played in real time, so a browser
# mostly waits, and the three share the cores with room to spare. Each lane runs the smoke test,
# then every scenario of tests/web/test_*.py on the same site; its output is shown whole once
# every lane has ended.
engines=${KLB_ENGINES:-chromium,firefox,webkit}
lanes=$(mktemp -d)
trap 'rm -rf "$lanes"' EXIT
echo "Le site dans chaque moteur, côte à côte ($engines) : le test de fumée puis les scénarios"
for engine in ${engines//,/ }; do
  (
    export KLB_ENGINES=$engine KLB_SITE=build-web/site
    started=$SECONDS
    lane=0
    timeout 600 /usr/bin/python3 tests/web/smoke_test.py build-web/site || lane=1
    timeout 1500 /usr/bin/python3 -m unittest discover -s tests/web -p 'test_*.py' || lane=1
    echo "[$engine] $((SECONDS - started)) s"
    exit $lane
  ) >"$lanes/$engine.log" 2>&1 &
  echo "$!" >"$lanes/$engine.pid"
done
for engine in ${engines//,/ }; do
  wait "$(cat "$lanes/$engine.pid")" || status=1
  echo "── $engine ──"
  cat "$lanes/$engine.log"
done
exit $status
