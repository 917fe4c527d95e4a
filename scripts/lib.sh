# shellcheck shell=bash
# What the scripts share. Sourced, never run: each script keeps its own
# usage, and its messages start with its own name.

varnix_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# What scripts/build builds when told no preset, and scripts/test tests.
# shellcheck disable=SC2034  # used by the scripts that source this
default_presets=(host sanitize fuzz windows)

# The formatter: the WebAssembly build of clang-format from the npm
# registry, which scripts/setup installs into build/lint and scripts/format
# runs with node, at the version that the first line of .clang-format names.
# shellcheck disable=SC2034  # used by the scripts that source this
clang_format_package=@wasm-fmt/clang-format
clang_format_version() {
  local version
  version=$(sed -nE '1s/^# Formatted by clang-format ([0-9]+(\.[0-9]+)+)[ ,].*/\1/p' \
    "$varnix_scripts/../.clang-format") || return
  if [ -z "$version" ]; then
    echo "${0##*/}: the first line of .clang-format names no clang-format version" >&2
    return 1
  fi
  echo "$version"
}

# For a script that takes no arguments: "$@" is its own. Needs its usage
# function.
no_arguments() {
  [ $# -gt 0 ] || return 0
  case $1 in
    -h | --help) usage; exit 0 ;;
  esac
  usage >&2
  exit 2
}

# take_turns FD LOCK WHY: runs that share something in build/ take turns on
# LOCK, held on descriptor FD until the script ends. Commands that may leave
# a process running on (a Wine server) get FD closed, so that the lock ends
# with the script.
take_turns() {
  mkdir -p "$(dirname "$2")"
  # exec takes a descriptor's number only as a literal.
  eval "exec $1>\"\$2\"" || return
  if ! flock -n "$1"; then
    echo "${0##*/}: $3; waiting" >&2
    flock "$1" || return
  fi
}

# build_for_wine [PRESET...]: builds the presets named and the Windows build
# that Wine runs here, and sets arch to that Wine (32 or 64) and preset to
# that build's. On the 64-bit route (VARNIX_WINE_ARCH=64, or a machine that
# cannot run 32-bit programs), 64-bit Wine runs the 64-bit build of the same
# sources, and route_why says why, for the scripts to tell. Installs what is
# missing first: without Wine, wine-run cannot tell which Wine runs here.
# shellcheck disable=SC2120  # the presets are optional
build_for_wine() {
  "$varnix_scripts/setup" || return
  # What setup could not install just now, the scripts started from here on
  # take as settled rather than ask the mirror again.
  export VARNIX_SETUP_SETTLED=1
  arch=$("$varnix_scripts/wine-run" --arch) || return
  preset=windows
  route_why=
  # shellcheck disable=SC2034  # route_why is for the scripts that source this
  if [ "$arch" = 64 ]; then
    preset=windows64
    local missing=$varnix_scripts/../build/setup-32-bit-missing
    if [ -n "${VARNIX_WINE_ARCH:-}" ]; then
      route_why="VARNIX_WINE_ARCH=64 asks for it"
    elif [ -e "$missing" ]; then
      route_why="$(cat "$missing")"
    else
      route_why="this machine cannot run 32-bit programs"
    fi
  fi
  case " $* " in
    *" $preset "*) "$varnix_scripts/build" "$@" ;;
    *) "$varnix_scripts/build" "$@" "$preset" ;;
  esac
}

# junit_verdicts REPORT: a line "VERDICT NAME" for each case of a CTest
# JUnit report, VERDICT passed, failed or skipped; fails if there is no
# report to read.
junit_verdicts() {
  /usr/bin/python3 - "$1" <<'EOF'
import sys
import xml.etree.ElementTree as tree

for case in tree.parse(sys.argv[1]).getroot().iter("testcase"):
    skipped = case.find("skipped")
    if case.find("failure") is not None or case.find("error") is not None:
        verdict = "failed"
    elif skipped is not None and skipped.get("message", "").startswith("SKIP_"):
        # Skipped by its own say (a skip line, a skip status); one that was
        # not run because a fixture it needs failed is a failure.
        verdict = "skipped"
    elif case.get("status") == "notrun" or skipped is not None:
        verdict = "failed"
    else:
        verdict = "passed"
    print(verdict, case.get("name"))
EOF
}
