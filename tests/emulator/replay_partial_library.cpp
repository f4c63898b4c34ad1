// A library that has only one of the fifty functions: replay must name what
// the session needs and it lacks, never call through a missing one.
#include "fiscport.h"

extern "C" FISCPORT_API const char* FISCPORT_CALL ecfStatusImp(void) {
    return "01000000";
}
