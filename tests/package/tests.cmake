# The Debian package, built by cpack and checked without installing it.
if(TARGET tiltmoor)
  add_test(NAME package.deb
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
  set_tests_properties(package.deb PROPERTIES LABELS package TIMEOUT 300)
endif()
