# shellcheck shell=bash
# Sourced by the scripts that build: asks a CMake build which targets it defines.

# build_has_target DIR TARGET: true when the configured build in DIR defines TARGET.
# The listing is read whole before it is searched: piped into a reader that stops at the first
# match (grep -q), the build tool would go on writing into a closed pipe, end with "Broken pipe",
# and under pipefail the check would say no for a target that is there.
build_has_target() {
  local listing
  listing=$(cmake --build "$1" --target help) || return 1
  grep -qw -- "$2" <<<"$listing"
}
