#include "driver/fiscal_driver.h"

#include <QtGlobal>

namespace {
FiscalDriver* currentDriver = nullptr;
}

FiscalDriver& fiscalDriver() {
    Q_ASSERT_X(currentDriver, "fiscalDriver", "no driver installed");
    return *currentDriver;
}

void setFiscalDriver(FiscalDriver* driver) {
    currentDriver = driver;
}
