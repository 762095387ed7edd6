#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses it as a program outside this tree would:
# each installed header compiles alone, the library links into a shared object, a consumer built
# with find_package(pendula) and one built with pkg-config get the numbers the dynamics must give,
# and the examples build against the install and print what they print in-tree. Then the Debian
# package is made and must hold the same files and depend on the program's runtime libraries.
# Usage: install_test.sh BUILD_DIR VERSION LIBDIR CXX CMAKE CPACK [FLAGS]
#   FLAGS: compile and link flags for the consumers (the sanitizers, in a sanitizer build, whose
#   library only links into sanitized programs).
#   With PENDULA_PYTHON set (a build with the Python module), the module must install where that
#   interpreter looks for each kind of prefix and import from there, and be in the package too.
#   With Debian's lintian installed, the package (but a sanitizer build's) must pass it without an
#   error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$1 version=$2 libdir=$3 cxx=$4 cmake=$5 cpack=$6
read -ra flags <<<"${7:-}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# Runs a step with its output in a log that is shown only when the step fails.
quietly() {
  local log=$work/step.log
  "$@" >"$log" 2>&1 || { cat "$log" >&2; fail "$*"; }
}
consumer_cmake() {
  quietly "$cmake" -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="${flags[*]}"
  quietly "$cmake" --build "$2"
}

echo "install into a temporary prefix"
quietly "$cmake" --install "$build" --prefix "$prefix"
expected=(
  bin/pendula
  include/pendula/dynamics.h
  include/pendula/chain.h
  include/pendula/derivatives.h
  include/pendula/model.h
  include/pendula/program_chain.h
  "$libdir"/libpendula_dynamics.a
  "$libdir"/cmake/pendula/pendulaConfig.cmake
  "$libdir"/cmake/pendula/pendulaConfigVersion.cmake
  "$libdir"/cmake/pendula/pendulaTargets.cmake
  "$libdir"/pkgconfig/pendula.pc
  share/doc/pendula/README.md
  share/doc/pendula/LICENSE
  share/doc/pendula/copyright
  share/doc/pendula/changelog.gz
  share/man/man1/pendula.1.gz
)
for file in "${expected[@]}"; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done
# Every picture that the installed README shows lies beside it.
readme_dir=share/doc/pendula
while read -r picture; do
  [ -f "$prefix/$readme_dir/$picture" ] || fail "the README shows $picture, which is not installed"
  expected+=("$readme_dir/$picture")
done < <(grep -oE '!\[[^]]*\]\([^)]+\)' "$prefix/$readme_dir/README.md" |
  sed -E 's/.*\(([^)]+)\)/\1/')
headers=$(cd "$prefix/include" && find . -type f | sort | tr '\n' ' ')
[ "$headers" = "./pendula/chain.h ./pendula/derivatives.h ./pendula/dynamics.h ./pendula/model.h ./pendula/program_chain.h " ] ||
  fail "headers other than the public ones: $headers"

if [ -n "${PENDULA_PYTHON:-}" ]; then
  echo "the Python module, where $PENDULA_PYTHON looks under each prefix"
  # Where INTERPRETER imports the module from, run with the given environment (NAME=VALUE ...)
  # from a folder that does not hold it, neither PYTHONPATH nor PYTHONUSERBASE set.
  imports_from() {
    (cd "$work" && env -u PYTHONPATH -u PYTHONUSERBASE "$@" -c \
      'import pendula; print(pendula.__file__)')
  }
  module=$(find "$prefix" -name 'pendula.*.so')
  [ -n "$module" ] || fail "no Python module under the prefix"
  # Any other prefix: the interpreter's own layout there, which a virtual environment sees.
  venv=$work/venv
  quietly "$PENDULA_PYTHON" -m venv --without-pip --system-site-packages "$venv"
  quietly "$cmake" --install "$build" --prefix "$venv" --component python
  from=$(imports_from "$venv/bin/python") || fail "a virtual environment cannot import the module"
  [[ $from == "$venv"/lib/* ]] || fail "a virtual environment imports the module from $from"
  [ "${module#"$prefix"}" = "${from#"$venv"}" ] ||
    fail "the module is at ${module#"$prefix"} under the prefix, not at ${from#"$venv"}"
  # ~/.local: the user site, which the interpreter reads with no PYTHONPATH.
  home=$work/home
  HOME=$home quietly "$cmake" --install "$build" --prefix "$home/.local" --component python
  from=$(imports_from HOME="$home" "$PENDULA_PYTHON") ||
    fail "the module installed under \$HOME/.local does not import"
  [[ $from == "$home/.local/"* ]] || fail "the module installed under ~/.local imports from $from"
  # /usr/local: where Debian's interpreter looks for modules of its own installs there.
  stage=$work/stage
  DESTDIR=$stage quietly "$cmake" --install "$build" --prefix /usr/local --component python
  local_module=$(cd "$stage" && find . -name 'pendula.*.so' | sed 's/^\.//')
  "$PENDULA_PYTHON" -c "import sys; sys.exit('$(dirname "$local_module")' not in sys.path)" ||
    fail "$PENDULA_PYTHON does not look in $(dirname "$local_module")"
fi

echo "the installed program, without a display, names xvfb-run and no script of the repository"
status=0
env -u DISPLAY "$prefix/bin/pendula" >/dev/null 2>"$work/no_display.txt" || status=$?
[ "$status" -eq 1 ] || fail "the installed program ended with status $status without a display"
grep -q "xvfb-run -a $prefix/bin/pendula\$" "$work/no_display.txt" ||
  fail "the installed program does not name xvfb-run: $(cat "$work/no_display.txt")"
if grep -q 'scripts/' "$work/no_display.txt"; then
  fail "the installed program names the repository's scripts: $(cat "$work/no_display.txt")"
fi

echo "each installed header compiles alone, in ISO C++17, and names no window system"
for header in dynamics.h chain.h derivatives.h model.h program_chain.h; do
  echo "#include <pendula/$header>" |
    quietly "$cxx" -std=c++17 -Wall -Wextra -Wpedantic -pedantic-errors -Werror -fsyntax-only \
      -I"$prefix/include" -x c++ -
  if grep -nE 'GL/|glut|X11' "$prefix/include/pendula/$header"; then
    fail "the installed $header names OpenGL, GLUT or X11"
  fi
done

echo "the library is position-independent: it links whole into a shared object"
quietly "$cxx" "${flags[@]}" -shared -o "$work/whole_library.so" \
  -Wl,--whole-archive "$prefix/$libdir/libpendula_dynamics.a" -Wl,--no-whole-archive

echo "a consumer built with find_package(pendula)"
consumer_cmake "$here/consumer" "$work/find_package"
"$work/find_package/consumer"

# --static: the library is a static one, and the URDF parsers that it links are its private
# requirements, found where the system keeps them, after the prefix.
echo "a consumer built with pkg-config"
read -ra pc_flags < <(PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig" pkg-config --static --cflags \
  --libs pendula)
quietly "$cxx" -std=c++17 "${flags[@]}" "$here/consumer/consumer.cpp" "${pc_flags[@]}" \
  -o "$work/pkg_config_consumer"
"$work/pkg_config_consumer"

echo "the examples built against the install print what they print in-tree"
consumer_cmake "$root/examples" "$work/examples"
for example in hanging_chain falling_arm; do
  "$work/examples/$example" >"$work/installed.out"
  "$build/examples/$example" >"$work/in_tree.out"
  diff "$work/in_tree.out" "$work/installed.out" || fail "$example differs from the in-tree one"
done

echo "the Debian package"
quietly "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb"
deb=$work/deb/pendula_${version}_amd64.deb
[ -f "$deb" ] || fail "no $(basename "$deb"); cpack made: $(ls "$work/deb")"
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
for file in "${expected[@]}"; do
  grep -qx "./usr/$file" "$work/contents" || fail "the package lacks /usr/$file"
done
if [ -n "${PENDULA_PYTHON:-}" ]; then
  # /usr: Debian's own folder for modules, which every python3 of Debian reads.
  deb_module=$(grep -E '/pendula\.[^/]*\.so$' "$work/contents" | sed 's/^\.//') ||
    fail "the package holds no Python module"
  [ "$(dirname "$deb_module")" = /usr/lib/python3/dist-packages ] ||
    fail "the package puts the module at $deb_module, not in /usr/lib/python3/dist-packages"
  "$PENDULA_PYTHON" -c "import sys; sys.exit('/usr/lib/python3/dist-packages' not in sys.path)" ||
    fail "$PENDULA_PYTHON does not look in /usr/lib/python3/dist-packages"
fi
# The changelog's newest entry is this version's (packaging/debian/changelog).
changelog_top=$(gzip -dc "$prefix/share/doc/pendula/changelog.gz")
changelog_top=${changelog_top%%$'\n'*}
[[ $changelog_top == "pendula ($version) "* ]] ||
  fail "the changelog's newest entry is not $version's: $changelog_top"
depends=$(dpkg-deb -f "$deb" Depends)
echo "  Depends: $depends"
# freeglut, GLU, the GL dispatch library (libopengl0, or libgl1 for a build on the old GL
# library) and Xlib; Mesa comes with libglx0, which depends on Mesa's GLX.
for library in 'libglut[0-9.]*' 'libglu1(-mesa)?' '(libopengl0|libgl1)' libglx0 libx11-6; do
  grep -qE "(^|[ ,|])$library( |,|$)" <<<"$depends" || fail "Depends names no $library"
done
if [ -n "${PENDULA_PYTHON:-}" ]; then
  grep -qE '(^|, )python3 \(>= 3\.[0-9]+\), python3 \(<< 3\.[0-9]+\)' <<<"$depends" ||
    fail "Depends names no python3 for the Python module"
  recommends=$(dpkg-deb -f "$deb" Recommends)
  echo "  Recommends: $recommends"
  [ "$recommends" = python3-numpy ] || fail "the package does not recommend python3-numpy"
fi
# The package of a sanitizer build (FLAGS given) is not one to ship; lintian checks the others.
if [ ${#flags[@]} -gt 0 ]; then
  echo "  skipped lintian: a sanitizer build's package"
elif command -v lintian >/dev/null; then
  echo "Debian's lintian finds no error in the package"
  lintian --fail-on error "$deb" >"$work/lintian.txt" 2>&1 || {
    cat "$work/lintian.txt" >&2
    fail "lintian finds errors in the package"
  }
  sed 's/^/  /' "$work/lintian.txt"
else
  echo "  skipped lintian: not installed (scripts/install-deps.sh --test installs it)"
fi
echo "all install checks passed"
