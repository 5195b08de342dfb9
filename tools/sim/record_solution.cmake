# Records one level's solution script as a replay with the headless runner:
#   cmake -DSIM=... -DLEVEL=... -DSCRIPT=... -DOUT=... -P record_solution.cmake
# A solution that no longer wins is still recorded (the level tests say so);
# only a runner that writes nothing stops the build.
file(REMOVE ${OUT})
execute_process(COMMAND ${SIM} --level ${LEVEL} --record ${OUT} ${SCRIPT}
  OUTPUT_QUIET ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT EXISTS ${OUT})
  message(FATAL_ERROR "no replay recorded from ${SCRIPT} (status ${status}): ${errors}")
endif()
