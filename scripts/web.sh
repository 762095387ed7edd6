#!/usr/bin/env bash
# Builds the web page (web/) with Debian's Emscripten into build-web/ and serves build-web/site/,
# which holds the page's files and nothing of the build's, on http://localhost:8000/ with Python's
# http.server; with --build it only builds. --test-page builds the page's test build too
# (build-web/test-site/, the page with the probes that tests/web and bench/web_speed.py read).
#   scripts/web.sh [--build] [--test-page] [--build-dir DIR] [--port PORT] [--werror]
set -euo pipefail
cd "$(dirname "$0")/.."
build_only=0 test_page=0 build=build-web port=8000 werror=OFF
while [ $# -gt 0 ]; do
  case $1 in
    --build) build_only=1 ;;
    --test-page) test_page=1 ;;
    --build-dir) build=$2; shift ;;
    --port) port=$2; shift ;;
    --werror) werror=ON ;;
    *) echo "usage: $0 [--build] [--test-page] [--build-dir DIR] [--port PORT] [--werror]" >&2; exit 2 ;;
  esac
  shift
done

if ! command -v emcmake >/dev/null; then
  echo "emscripten is not installed (scripts/install-deps.sh --test installs it)" >&2
  exit 1
fi
# Debian's emcc runs its JavaScript tools under Node.js and looks for their modules here, which a
# Node.js from outside Debian does not know of.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
emcmake cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPENDULA_WERROR="$werror" >/dev/null
cmake --build "$build" -j"$(nproc)"
page=$build/site
echo "The page is in $page/ (index.html, page.js, pendula.js, pendula.wasm)"
if [ "$test_page" = 1 ]; then
  cmake --build "$build" -j"$(nproc)" --target test_page
  echo "Its test build is in $build/test-site/"
fi
[ "$build_only" = 1 ] && exit 0

echo "Serving it on http://localhost:$port/ (Ctrl-C stops)"
exec /usr/bin/python3 -m http.server "$port" --bind 127.0.0.1 --directory "$page"
