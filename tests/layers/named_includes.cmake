# The emulator's parts share folders (ecfsim's actions, views and command
# line), and a bare include finds a header beside the file whatever the
# target may see. So every project header is included by its layer's name
# ("core/device.h", "ecfsim/actions.h", "ecfpainel/memorywatch.h"), through
# the include path the build gives each target; only the C interface
# ("fiscport.h") and the forms uic makes ("ui_NAME.h") are included bare.
file(GLOB_RECURSE sources ${ROOT}/emulator/*.h ${ROOT}/emulator/*.cpp)
set(offenders)
foreach(source IN LISTS sources)
    file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"/]*\"")
    foreach(line IN LISTS lines)
        if(NOT line MATCHES "\"(fiscport\\.h|ui_[a-z_]+\\.h)\"")
            list(APPEND offenders "${source}: ${line}")
        endif()
    endforeach()
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/offenders.cmake)
bancada_report_offenders("${sources}" 40 "${offenders}" "headers included without their layer's name")
