// The one interface through which every window calls the driver library.
#pragma once

#include "driver/driver_functions.h"

class FiscalDriver {
public:
    virtual ~FiscalDriver() = default;

#define FISCAL_DRIVER_DECLARE_RESULT(name, params, args) virtual int32_t name params = 0;
#define FISCAL_DRIVER_DECLARE_REPLY(name, params, args) virtual QByteArray name params = 0;
    FISCPORT_FUNCTIONS(FISCAL_DRIVER_DECLARE_RESULT, FISCAL_DRIVER_DECLARE_REPLY)
#undef FISCAL_DRIVER_DECLARE_RESULT
#undef FISCAL_DRIVER_DECLARE_REPLY
};

// The driver the windows use: the library's C interface in the program,
// a recording driver in window tests.
FiscalDriver& fiscalDriver();
void setFiscalDriver(FiscalDriver* driver);
