# shellcheck shell=bash
# What a test script that varnix_script_cases (script_cases.cmake) runs
# shares: the script says what it checks in $about, adds its cases with add
# and ends with run_cases "$@". Sourced, never run.
#
# A case is a command that returns 0 when it passes, 77 when it cannot run
# here, anything else when it fails, and may leave a reason in $detail. It
# runs with an empty folder of its own, $scratch, under build/, and with
# errexit off: its verdict is its status. A script whose cases share state
# defines setup_cases and cleanup_cases for --setup and --cleanup, and
# prepare_cases, which gets "all" or "one" before the cases run.

usage() {
  local shared=
  ! declare -F setup_cases >/dev/null || shared=" | --setup | --cleanup"
  cat <<EOF
Usage: $0 [--list | --case NAME$shared]

${about:?}

Runs every case and prints each: ok, FAILED or skip. --case runs one:
status 0, 1, or 77 when it skips. --list prints each case's name and what it
needs: the cases whose results it reads, and wine, the clone's Wine prefix.
EOF
}

names=()
declare -A titles=() needs=() commands=()
add() {  # NAME TITLE NEEDS COMMAND [ARGUMENT...]
  names+=("$1")
  titles[$1]=$2
  needs[$1]=$3
  printf -v "commands[$1]" '%q ' "${@:4}"
}

run_cases() {  # ARGUMENT...
  # Named apart from anything a case may set.
  local case_mode=all case_i case_name case_status case_failed=0
  case ${1:-}:$# in
    :0) ;;
    --list:1)
      for case_name in "${names[@]}"; do
        echo "$case_name${needs[$case_name]:+ ${needs[$case_name]}}"
      done
      exit 0 ;;
    --setup:1 | --cleanup:1)
      declare -F "${1#--}_cases" >/dev/null || { usage >&2; exit 2; }
      "${1#--}_cases"
      exit ;;
    --case:2)
      if [ -z "${titles[$2]+set}" ]; then
        echo "${0##*/}: no case '$2'; --list names them" >&2
        exit 2
      fi
      case_mode=one
      names=("$2") ;;
    -h:1 | --help:1) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
  if declare -F prepare_cases >/dev/null; then prepare_cases "$case_mode"; fi
  cases_top=$(mkdir -p "$cases_build" && mktemp -d "$cases_build/cases.XXXXXX") ||
    exit
  trap 'rm -rf -- "$cases_top"' EXIT
  for case_i in "${!names[@]}"; do
    case_name=${names[$case_i]}
    scratch=$cases_top/$case_i
    mkdir "$scratch"
    detail=
    case_status=0
    eval "${commands[$case_name]}" || case_status=$?
    case $case_status in
      0) echo "ok     ${titles[$case_name]}" ;;
      77) echo "skip   ${titles[$case_name]}${detail:+: $detail}" ;;
      *) echo "FAILED ${titles[$case_name]}${detail:+: $detail}"
        case_failed=1 ;;
    esac
  done
  # The status CTest reads as a skip (SKIP_RETURN_CODE).
  [ "$case_mode:$case_status" != one:77 ] || exit 77
  exit "$case_failed"
}

cases_build=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build
