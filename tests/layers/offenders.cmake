# What the include checks share: the sources are where they should be (a
# wrong ROOT finds few and proves nothing), and every offending line is named.
function(bancada_report_offenders sources minimum offenders what)
    list(LENGTH sources count)
    if(count LESS minimum)
        message(FATAL_ERROR "found only ${count} sources under ${ROOT}: wrong folder?")
    endif()
    if(offenders)
        list(JOIN offenders "\n" report)
        message(FATAL_ERROR "${what}:\n${report}")
    endif()
endfunction()
