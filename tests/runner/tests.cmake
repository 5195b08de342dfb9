# The headless runner: scripted plays, determinism, script errors.
if(TARGET tiltmoor-sim)
  foreach(case win fail idle commands determinism stdin errors badsave unicode undo progress quit json fifo replay)
    add_test(NAME runner.${case}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check.sh $<TARGET_FILE:tiltmoor-sim> ${case})
    set_tests_properties(runner.${case} PROPERTIES LABELS runner TIMEOUT 120)
  endforeach()
endif()
