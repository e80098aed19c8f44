#!/usr/bin/env bash
# Builds Klimbor for browsers with Debian's Emscripten into build-web/ (Release): the libraries
# compiled to WebAssembly, the headless suite as a Node program (build-web/tests/), and the site,
# every file its pages load, in build-web/site/, packed too in build-web/Klimbor-<version>-web.zip.
# Needs Debian's emscripten (tools/setup.sh installs it).
set -euo pipefail
cd "$(dirname "$0")/.."

# Debian's emcc runs its JavaScript tools on Node with Debian's modules (acorn), which live here,
# whichever Node comes first on PATH.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

# Warnings are errors here unless KLB_WERROR=OFF: the compiler is Debian's own, known.
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DKLB_WERROR="${KLB_WERROR:-ON}" \
  >/dev/null
cmake --build build-web --parallel "${KLB_JOBS:-$(nproc)}"

# Laid out anew: a page taken out of the tree leaves the site too.
rm -rf build-web/site
cmake --install build-web --prefix build-web/site >/dev/null
mkdir -p build-web/site
echo "Le site : build-web/site ($(find build-web/site -type f | wc -l) fichiers)"

# The same site in one zip, to unpack at the root of any static web host; named after the
# project's version.
version=$(sed -n 's/^project(Klimbor VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
rm -f build-web/Klimbor-*-web.zip
(cd build-web/site && cmake -E tar cf "../Klimbor-$version-web.zip" --format=zip -- *)
echo "L'archive : build-web/Klimbor-$version-web.zip"
