#!/usr/bin/env bash
# Installs the Debian packages that pendula needs to build, run and test.
# Packages already installed are left alone; apt runs only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  freeglut3-dev libgl1-mesa-dev libglu1-mesa-dev libx11-dev libgl1-mesa-dri
  xvfb xdotool x11-utils x11-apps netpbm
  # cpack -G DEB: dpkg-shlibdeps computes the package's Depends, file finds the programs it reads.
  dpkg-dev file
  # LoadUrdf: urdfdom reads a URDF file's values, TinyXML2 checks its tree first.
  liburdfdom-dev libtinyxml2-dev
)
# Optional extras for the test command: the engines compared side by side (MuJoCo, and Bullet,
# whose package holds a double-precision build), static analysis, and the Python module.
if [ "${1:-}" = "--test" ]; then
  packages+=(libmujoco-dev libbullet-dev clang-tidy cppcheck clang-format)
  # Real robots' URDF files for the loader's tests, the page's test and the tree agreement tests:
  # the WAM arm and Atlas (/usr/share/doc/dart/data/). DART with its URDF loader, the second peer
  # on those trees.
  packages+=(dart-doc libdart-dev libdart-utils-urdf-dev)
  # Debian's checker of packages, which the install test runs on the .deb.
  packages+=(lintian)
  # The Python module, its tests, the energy and scaling plots, for Debian's own python3.
  packages+=(pybind11-dev python3-dev python3-numpy python3-pytest python3-matplotlib)
  # The LQR example's Riccati solve.
  packages+=(python3-scipy)
  # The ensemble study that fans its blocks of chains out over a Dask cluster.
  packages+=(python3-distributed)
  # The progress the long examples show on standard error.
  packages+=(python3-tqdm)
  # The web page: Emscripten and the WebAssembly disassembler to build and inspect it, headless
  # Chromium and a DevTools-protocol client (websockets) to try it in a real browser.
  packages+=(emscripten wabt chromium python3-websockets)
fi

missing=()
for p in "${packages[@]}"; do
  # Compared whole, not piped into grep -q: see scripts/build-targets.sh.
  if [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" != "install ok installed" ]; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
