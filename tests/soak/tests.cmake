# Long seeded play of every shipped level (in the sanitizer build too).
# SOAK_MINUTES sets the game time per level.
if(TARGET tiltmoor-sim)
  set(SOAK_MINUTES 10 CACHE STRING "Minutes of game time per level in the soak")
  file(GLOB SOAK_LEVELS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/*.lv)
  foreach(level ${SOAK_LEVELS})
    get_filename_component(name ${level} NAME_WE)
    add_test(NAME soak.level${name}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/soak.sh $<TARGET_FILE:tiltmoor-sim> ${CMAKE_SOURCE_DIR}
              ${SOAK_MINUTES} ${level})
    set_tests_properties(soak.level${name} PROPERTIES LABELS soak TIMEOUT 1200)
  endforeach()
endif()
