# Run after a test program is linked: asks it for its tests and writes the ctest file that runs
# them, one ctest test per test suite (one process for the suite's tests, which is most of the cost
# of a short test under the sanitizers), or one per test where PER_TEST is set (the scan bench,
# whose tests each take long enough to be worth spreading over the cores).
#
# In: PROGRAM, FILTER (a gtest filter), PER_TEST (ON/OFF), STATE_ROOT (the folder under which each
# ctest test gets folders of its own for the program's state and data), CTEST_FILE (the file to write).
execute_process(COMMAND "${PROGRAM}" --gtest_list_tests "--gtest_filter=${FILTER}"
                OUTPUT_VARIABLE listing RESULT_VARIABLE result ERROR_VARIABLE errors TIMEOUT 60)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} could not list its tests (${result}):\n${listing}${errors}")
endif()

# The filter's negative patterns, kept on each ctest test so that a suite leaves out what the
# program's filter leaves out.
set(excluded "")
if(FILTER MATCHES "-(.*)$")
  set(excluded "-${CMAKE_MATCH_1}")
endif()

# --gtest_list_tests: "Suite." lines, then "  Test" lines; typed and value-parameterised ones
# carry a comment after "#".
set(script "")
set(suite "")
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
  string(REGEX REPLACE " *#.*$" "" line "${line}")
  if(line MATCHES "^([^ ].*)\\.$")
    set(suite "${CMAKE_MATCH_1}")
    if(NOT PER_TEST)
      list(APPEND names "${suite}")
    endif()
  elseif(line MATCHES "^  ([^ ]+)$" AND PER_TEST)
    list(APPEND names "${suite}.${CMAKE_MATCH_1}")
  endif()
endforeach()

foreach(name IN LISTS names)
  if(PER_TEST)
    set(pattern "${name}")
  else()
    set(pattern "${name}.*${excluded}")
  endif()
  # Folders of its own: notes of unfinished writes are per port, and tests in parallel on the
  # same port name must not see each other's; backups and service records stay out of the home.
  string(MAKE_C_IDENTIFIER "${name}" folder)
  string(APPEND script
         "add_test([==[${name}]==] [==[${PROGRAM}]==] [==[--gtest_filter=${pattern}]==])\n"
         "set_tests_properties([==[${name}]==] PROPERTIES ENVIRONMENT "
         "[==[QT_QPA_PLATFORM=offscreen;XDG_STATE_HOME=${STATE_ROOT}/${folder}/state;"
         "XDG_DATA_HOME=${STATE_ROOT}/${folder}/data]==])\n")
endforeach()
file(WRITE "${CTEST_FILE}" "${script}")
