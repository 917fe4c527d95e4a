# Read by CTest as it starts: varnix_e2e_run(RUN ARGS...) adds a test
# e2e.RUN.CASE for every case that the test programs (`programs`) list when
# started with ARGS under Wine, in the run's locale, through `runner`. A
# program registers only the cases that apply to the run, so that none is
# started only to skip. A list is kept in `tree`/e2e-cases until the
# program is built again or the runner changes.
function(varnix_e2e_run run)
  foreach(program IN LISTS programs)
    get_filename_component(name "${program}" NAME_WE)
    set(list "${tree}/e2e-cases/${run}.${name}")
    if(NOT EXISTS "${list}" OR "${program}" IS_NEWER_THAN "${list}"
       OR "${runner}" IS_NEWER_THAN "${list}")
      execute_process(COMMAND "${runner}" "${program}" --gtest_list_tests ${ARGN}
                      OUTPUT_VARIABLE cases RESULT_VARIABLE status)
      if(NOT status EQUAL 0)
        message(FATAL_ERROR "${name} ${ARGN} could not list its cases "
                            "(status ${status}):\n${cases}")
      endif()
      file(WRITE "${list}" "${cases}")
    endif()
    file(STRINGS "${list}" lines)
    foreach(line IN LISTS lines)
      if(line MATCHES "^([^ #]+\\.)")
        set(suite "${CMAKE_MATCH_1}")
      elseif(line MATCHES "^  ([^ #]+)")
        set(case "${suite}${CMAKE_MATCH_1}")
        add_test("e2e.${run}.${case}" "${runner}" "${program}"
                 "--gtest_filter=${case}" ${ARGN})
        set_tests_properties("e2e.${run}.${case}" PROPERTIES
          LABELS e2e TIMEOUT 120 FIXTURES_REQUIRED e2e
          SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
      endif()
    endforeach()
  endforeach()
endfunction()
