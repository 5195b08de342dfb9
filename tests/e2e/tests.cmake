# The real game under Xvfb, driven with xdotool, checked with screenshots and files.
if(TARGET tiltmoor)
  foreach(case title play editor)
    add_test(NAME e2e.${case}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/${case}.sh $<TARGET_FILE:tiltmoor> ${CMAKE_SOURCE_DIR})
    set_tests_properties(e2e.${case} PROPERTIES LABELS e2e TIMEOUT 180 RESOURCE_LOCK display)
  endforeach()
endif()
