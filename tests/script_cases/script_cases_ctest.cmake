# Read by CTest, through the file that varnix_script_cases writes, with
# suite, script, label, timeout and scratch set. Each line of the script's
# list is a case's name and what it needs: "wine", the clone's Wine prefix
# and the Windows build that runs in it, which other tests use as well; or
# another case of the suite, whose result this one reads.

execute_process(COMMAND "${script}" --list OUTPUT_VARIABLE list
                ERROR_VARIABLE error RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  # A test that fails with the script's own message, where otherwise the
  # suite's tests would all be gone and a run would pass without them.
  add_test("${suite}.list" "${script}" --list)
  set_tests_properties("${suite}.list" PROPERTIES LABELS "${label}")
  return()
endif()

set(common LABELS "${label}" SKIP_RETURN_CODE 77)
set(shared "")
if(scratch)
  set(shared "${suite}.scratch")
  add_test("${suite}.setup" "${script}" --setup)
  add_test("${suite}.cleanup" "${script}" --cleanup)
  set_tests_properties("${suite}.setup" PROPERTIES ${common} TIMEOUT ${timeout}
                       FIXTURES_SETUP "${shared}" RESOURCE_LOCK "${shared}")
  set_tests_properties("${suite}.cleanup" PROPERTIES ${common} TIMEOUT 60
                       FIXTURES_CLEANUP "${shared}" RESOURCE_LOCK "${shared}")
endif()

string(REGEX MATCHALL "[^\n]+" lines "${list}")
foreach(line IN LISTS lines)
  string(REGEX MATCHALL "[^ ]+" words "${line}")
  list(POP_FRONT words case)
  set(test "${suite}.${case}")
  set(case_timeout ${timeout})
  set(fixtures "${shared}")
  set(locks "${shared}")
  foreach(need IN LISTS words)
    if(need STREQUAL "wine")
      list(APPEND locks varnix_wine)
      # The first use may create the prefix or build the Windows tree.
      set(case_timeout 900)
    else()
      list(APPEND fixtures "${suite}.${need}")
      set_tests_properties("${suite}.${need}" PROPERTIES
                           FIXTURES_SETUP "${suite}.${need}")
    endif()
  endforeach()
  add_test("${test}" "${script}" --case "${case}")
  set_tests_properties("${test}" PROPERTIES ${common} TIMEOUT ${case_timeout}
                       FIXTURES_REQUIRED "${fixtures}" RESOURCE_LOCK "${locks}")
endforeach()
