# Read by CTest as it starts: adds a test e2e.RUN.CASE for every case that
# the test programs (`programs`, in `tree`/e2e) list when started for the
# run under Wine, in the run's locale, through wine-case. A program
# registers only the cases that apply to the run, so that none is started
# only to skip. A list is kept in `tree`/e2e-cases until the program is
# built again or the runner changes.
set(runner "${CMAKE_CURRENT_LIST_DIR}/wine-case")
function(varnix_e2e_run run)
  foreach(file IN LISTS programs)
    set(program "${tree}/e2e/${file}")
    get_filename_component(name "${file}" NAME_WE)
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
    file(STRINGS "${list}" cases)
    foreach(case IN LISTS cases)
      add_test("e2e.${run}.${case}" "${runner}" "${program}"
               "--gtest_filter=${case}" ${ARGN})
      set_tests_properties("e2e.${run}.${case}" PROPERTIES
        LABELS e2e TIMEOUT 120 FIXTURES_REQUIRED e2e
        SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
    endforeach()
  endforeach()
endfunction()

# In each code page's locale (scripts/code-pages), the variant without the
# manifest runs in the system's code page (e2e.<code page>.<case>), and the
# shipped file in UTF-8 (e2e.shipped.<code page>.<case>), whatever the
# system's.
file(STRINGS "${CMAKE_CURRENT_LIST_DIR}/../../scripts/code-pages" code_pages
     REGEX "^[0-9]")
foreach(line IN LISTS code_pages)
  string(REGEX MATCH "^[0-9]+" code_page "${line}")
  varnix_e2e_run(${code_page} --code-page=${code_page}
                 --launcher=VarnixNoManifest.exe)
  varnix_e2e_run(shipped.${code_page} --code-page=65001
                 --locale-of=${code_page})
endforeach()
