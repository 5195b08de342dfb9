# The shipped levels: the composer that builds them, their files read through
# the game's loader, and their solutions replayed by the headless runner.
add_executable(level-composer ${CMAKE_SOURCE_DIR}/tools/levels/compose.cpp)
target_link_libraries(level-composer PRIVATE tiltmoor_logic)

add_executable(level_file_tests ${CMAKE_CURRENT_LIST_DIR}/level_files_test.cpp)
target_link_libraries(level_file_tests PRIVATE tiltmoor_logic GTest::gtest GTest::gtest_main)
target_compile_definitions(level_file_tests PRIVATE TILTMOOR_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(level_file_tests
  TEST_PREFIX levels.file.
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  PROPERTIES LABELS levels
  DISCOVERY_TIMEOUT 60)

set(LEVEL_CHECK bash ${CMAKE_CURRENT_LIST_DIR}/check.sh)
add_test(NAME levels.composed
  COMMAND ${LEVEL_CHECK} - ${CMAKE_SOURCE_DIR} composed $<TARGET_FILE:level-composer>)
set_tests_properties(levels.composed PROPERTIES LABELS levels TIMEOUT 120)

if(TARGET tiltmoor-sim)
  foreach(n RANGE 1 18)
    foreach(case solution shifted idle)
      add_test(NAME levels.${case}.${n}
        COMMAND ${LEVEL_CHECK} $<TARGET_FILE:tiltmoor-sim> ${CMAKE_SOURCE_DIR} ${case} ${n})
      set_tests_properties(levels.${case}.${n} PROPERTIES LABELS levels TIMEOUT 300)
    endforeach()
  endforeach()
  foreach(n RANGE 1 18)
    add_test(NAME levels.replay.${n}
      COMMAND ${LEVEL_CHECK} $<TARGET_FILE:tiltmoor-sim> ${CMAKE_SOURCE_DIR} replay ${n} ${CMAKE_BINARY_DIR}/solutions/${n}.replay)
    set_tests_properties(levels.replay.${n} PROPERTIES LABELS levels TIMEOUT 120)
  endforeach()
  add_test(NAME levels.distinct
    COMMAND ${LEVEL_CHECK} $<TARGET_FILE:tiltmoor-sim> ${CMAKE_SOURCE_DIR} distinct)
  set_tests_properties(levels.distinct PROPERTIES LABELS levels TIMEOUT 900)
endif()

# The level probe: one-click wins, random plays, the solutions' neighbourhood.
if(TARGET tiltmoor-sim)
  add_executable(level-probe ${CMAKE_SOURCE_DIR}/tools/levels/probe.cpp ${CMAKE_SOURCE_DIR}/tools/sim/runner.cpp)
  target_link_libraries(level-probe PRIVATE tiltmoor_sdlcore nlohmann_json::nlohmann_json)
  # Its cheap form: on a coarse grid at two moments, no single click wins
  # plays 6 to 18 and no probe wins with the white ball back on the screen.
  foreach(n RANGE 1 18)
    add_test(NAME levels.probe.${n}
      COMMAND level-probe --source ${CMAKE_SOURCE_DIR} --check --grid 48 --moments 1000,3000
              --after 15000 --random 0 --no-neighbourhood --jobs 1 ${n})
    set_tests_properties(levels.probe.${n} PROPERTIES LABELS levels TIMEOUT 300)
  endforeach()
endif()
