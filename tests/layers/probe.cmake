# Builds one probe and checks what the compiler made of its include:
#   EXPECT=visible  the probe compiles;
#   EXPECT=hidden   the build fails because HEADER is not found, and for no
#                   other reason.
execute_process(
    COMMAND ${CMAKE_COMMAND} --build ${BUILD} --target ${TARGET}
    RESULT_VARIABLE status
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
if(EXPECT STREQUAL "visible")
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${HEADER} should be visible to the probe's target:\n${output}")
    endif()
elseif(EXPECT STREQUAL "hidden")
    if(status EQUAL 0)
        message(FATAL_ERROR "${HEADER} compiled, but this target must not see it")
    endif()
    string(FIND "${output}" "${HEADER}: No such file or directory" found)
    if(found EQUAL -1)
        message(FATAL_ERROR "the probe failed, but not because ${HEADER} is out of reach:\n${output}")
    endif()
else()
    message(FATAL_ERROR "EXPECT must be visible or hidden, not '${EXPECT}'")
endif()
