# Runs one of the operator's programs under the emulator against the stand-in server and
# checks its exit status and output. "@SERVER@" in ARGS becomes $ENV{ZT_WIN_CENTRAL}.
#   cmake -DEMULATOR=wine -DPROGRAM=ztprobe.exe -DARGS="a;b" -DEXPECT=regex -P runTool.cmake
if(NOT DEFINED ENV{ZT_WIN_CENTRAL})
  message(FATAL_ERROR "ZT_WIN_CENTRAL is not set; run scripts/windows.sh")
endif()
string(REPLACE "@SERVER@" "$ENV{ZT_WIN_CENTRAL}" arguments "${ARGS}")
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${arguments} OUTPUT_VARIABLE out
                ERROR_VARIABLE err RESULT_VARIABLE result TIMEOUT 120)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} exited with ${result}\n${out}\n${err}")
endif()
if(NOT out MATCHES "${EXPECT}")
  message(FATAL_ERROR "${PROGRAM} printed no match for \"${EXPECT}\":\n${out}\n${err}")
endif()
message(STATUS "${out}")
