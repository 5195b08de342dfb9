# The real game under Xvfb, driven with xdotool, checked with screenshots and files.
if(TARGET tiltmoor)
  foreach(case title play editor options renderer display)
    add_test(NAME e2e.${case}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/${case}.sh $<TARGET_FILE:tiltmoor> ${CMAKE_SOURCE_DIR})
    set_tests_properties(e2e.${case} PROPERTIES LABELS e2e TIMEOUT 300)
  endforeach()
  if(TARGET tiltmoor-sim)
    add_test(NAME e2e.replay
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/replay.sh $<TARGET_FILE:tiltmoor> ${CMAKE_SOURCE_DIR} $<TARGET_FILE:tiltmoor-sim>)
    set_tests_properties(e2e.replay PROPERTIES LABELS e2e TIMEOUT 240)
  endif()
  add_test(NAME e2e.install
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/install.sh $<TARGET_FILE:tiltmoor> ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
  set_tests_properties(e2e.install PROPERTIES LABELS e2e TIMEOUT 300)
endif()
