// The version 2.04 programming window as its tests open it; its tests are in
// test_fprog.cpp (the window, its functions and the clock) and
// test_fprog_header_rates.cpp (the header, the rates, the code size and the
// symbols).
#pragma once

#include "programming_fixture.h"

inline const QString kForm = QStringLiteral("frmprog");

class ProgrammingWindow : public ProgrammingFixture {
protected:
    ProgrammingWindow() : ProgrammingFixture(kForm, "Programao1", 17, 16) {}
};
