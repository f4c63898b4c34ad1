// Short ways to read the printer through the C interface in tests.
#pragma once

#include <string>

#include "fiscport.h"
#include "support.h"

namespace emutest {

inline std::string statusImp() {
    return ecfStatusImp();
}
inline int stateNow() {
    return std::stoi(statusImp().substr(2, 3));
}
inline std::string coupon() {
    int32_t one = 1;
    return ecfStatusCupom(&one);
}
inline std::string subtotalField() {
    return coupon().substr(25, 21);
}
inline std::string grandTotalField() {
    return coupon().substr(46, 21);
}
inline std::string trimmed(const std::string& s) {
    size_t a = s.find_first_not_of(' ');
    return a == std::string::npos ? "" : s.substr(a);
}

// Each driver test starts on COM1 with a new memory in its own directory.
class DriverTest : public EmulatorTest {
protected:
    void SetUp() override {
        EmulatorTest::SetUp();
        ASSERT_EQ(ChangePort(0), 0);
    }
    std::string paperText() {
        std::string all;
        for (const auto& row : tool().store().paper(0, 0))
            all += row.bytes + "\n";
        return all;
    }
};

}  // namespace emutest
