# Writes the manual page the tool prints:  cmake -DTOOL=tervix-cli -DOUT=tervix-cli.1 -P write_manual_page.cmake
execute_process(COMMAND ${TOOL} --man OUTPUT_VARIABLE page RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0 OR page STREQUAL "")
    message(FATAL_ERROR "tervix-cli --man failed (${status}): ${errors}")
endif()
file(WRITE ${OUT} "${page}")
