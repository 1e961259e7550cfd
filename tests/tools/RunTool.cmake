# Runs the built brindle-render once and checks its exit status and messages.
# -DTOOL=path [-DEMULATOR=wine] -DARGS=a|b|c -DEXPECT_CODE=n [-DEXPECT_ERR=regex] [-DEXPECT_OUT=regex]
# [-DEXPECT_FILE=name] [-DEXPECT_NO_FILE=name]. Output goes to files: a Wine program
# must not write into a pipe that its background services could inherit.
string(REPLACE "|" ";" arguments "${ARGS}")
if(EXPECT_NO_FILE)
  file(REMOVE "${EXPECT_NO_FILE}")
endif()
execute_process(COMMAND ${EMULATOR} ${TOOL} ${arguments}
  RESULT_VARIABLE code OUTPUT_FILE tool.out ERROR_FILE tool.err)
file(READ tool.out out)
file(READ tool.err err)
message("exit status ${code}\nstdout:\n${out}\nstderr:\n${err}")
if(NOT code STREQUAL "${EXPECT_CODE}")
  message(FATAL_ERROR "expected exit status ${EXPECT_CODE}")
endif()
if(EXPECT_ERR AND NOT err MATCHES "${EXPECT_ERR}")
  message(FATAL_ERROR "stderr does not match: ${EXPECT_ERR}")
endif()
if(EXPECT_OUT AND NOT out MATCHES "${EXPECT_OUT}")
  message(FATAL_ERROR "stdout does not match: ${EXPECT_OUT}")
endif()
if(EXPECT_FILE AND NOT EXISTS "${EXPECT_FILE}")
  message(FATAL_ERROR "${EXPECT_FILE} was not written")
endif()
if(EXPECT_NO_FILE AND EXISTS "${EXPECT_NO_FILE}")
  message(FATAL_ERROR "${EXPECT_NO_FILE} was left behind")
endif()
