# Drawing, textures, text, sound and dialogs, in one shared game window under
# Xvfb. Every .cpp in this folder joins the one binary.
file(GLOB RENDER_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
if(RENDER_TEST_SOURCES AND TARGET tiltmoor_present)
  find_package(ZLIB REQUIRED)
  add_executable(render_tests ${RENDER_TEST_SOURCES})
  target_link_libraries(render_tests PRIVATE tiltmoor_present ZLIB::ZLIB GTest::gtest GTest::gtest_main)
  target_compile_definitions(render_tests PRIVATE TILTMOOR_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_test(NAME render
    COMMAND xvfb-run -a -s "-screen 0 1280x1024x24" $<TARGET_FILE:render_tests>)
  set_tests_properties(render PROPERTIES
    LABELS render
    TIMEOUT 300
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    ENVIRONMENT "SDL_AUDIODRIVER=dummy;GSETTINGS_BACKEND=memory;NO_AT_BRIDGE=1")
  # The same probes with the designed four samples, which the software
  # renderer of the test display otherwise goes without.
  add_test(NAME render.multisample
    COMMAND xvfb-run -a -s "-screen 0 1280x1024x24" $<TARGET_FILE:render_tests>)
  set_tests_properties(render.multisample PROPERTIES
    LABELS render
    TIMEOUT 300
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    ENVIRONMENT "SDL_AUDIODRIVER=dummy;GSETTINGS_BACKEND=memory;NO_AT_BRIDGE=1;TILTMOOR_RENDER_MULTISAMPLE=1")
endif()
