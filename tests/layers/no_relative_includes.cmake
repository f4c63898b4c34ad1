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
include(${CMAKE_CURRENT_LIST_DIR}/offenders.cmake)
bancada_report_offenders("${sources}" 100 "${offenders}" "includes that climb out of their folder")
