# varnix_script_cases(SUITE SCRIPT LABEL TIMEOUT [SCRATCH]): each case of a
# test script, one CTest test SUITE.NAME, run as "SCRIPT --case NAME". The
# cases are listed by "SCRIPT --list" each time CTest reads the tests, not
# at configure time: which cases there are follows files that CMake does not
# watch (every script in scripts/, the rows of a table), and a list made
# earlier would run stale cases and miss new ones without a word.
#
# With SCRATCH, the cases share state that "SCRIPT --setup" makes and
# "SCRIPT --cleanup" removes, as the fixture SUITE.scratch that every case
# requires and that one case at a time may use.
include_guard(GLOBAL)

function(varnix_script_cases suite script label timeout)
  cmake_parse_arguments(PARSE_ARGV 4 arg SCRATCH "" "")
  set(ctest_file ${CMAKE_CURRENT_BINARY_DIR}/${suite}_cases.cmake)
  # Bracket arguments, since the clone's path may hold any letter.
  file(CONFIGURE OUTPUT ${ctest_file} CONTENT [==[
set(suite [=[@suite@]=])
set(script [=[@script@]=])
set(label [=[@label@]=])
set(timeout [=[@timeout@]=])
set(scratch [=[@arg_SCRATCH@]=])
include([=[@CMAKE_CURRENT_FUNCTION_LIST_DIR@/script_cases_ctest.cmake]=])
]==] @ONLY)
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${ctest_file})
endfunction()
