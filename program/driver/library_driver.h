// The production driver: calls the library's C functions and copies every
// reply at once, since the text belongs to the library and changes at the
// next call.
#pragma once

#include "driver/fiscal_driver.h"

class LibraryDriver final : public FiscalDriver {
public:
#define LIBRARY_DRIVER_DECLARE_RESULT(name, params, args) int32_t name params override;
#define LIBRARY_DRIVER_DECLARE_REPLY(name, params, args) QByteArray name params override;
    FISCPORT_FUNCTIONS(LIBRARY_DRIVER_DECLARE_RESULT, LIBRARY_DRIVER_DECLARE_REPLY)
#undef LIBRARY_DRIVER_DECLARE_RESULT
#undef LIBRARY_DRIVER_DECLARE_REPLY
};
