# Include paths draw the lines between layers; an include that climbs out of
# its folder ("../") would step over them, so the sources have none.
file(GLOB_RECURSE sources
    ${ROOT}/program/*.h ${ROOT}/program/*.cpp
    ${ROOT}/emulator/*.h ${ROOT}/emulator/*.cpp
    ${ROOT}/interface/*.h)
set(offenders)
foreach(source IN LISTS sources)
    file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]*\\.\\./")
    if(lines)
        list(APPEND offenders "${source}: ${lines}")
    endif()
endforeach()
list(LENGTH sources count)
if(count LESS 100)
    message(FATAL_ERROR "found only ${count} sources under ${ROOT}: wrong folder?")
endif()
if(offenders)
    list(JOIN offenders "\n" report)
    message(FATAL_ERROR "includes that climb out of their folder:\n${report}")
endif()
