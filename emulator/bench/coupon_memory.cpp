// Fills a printer memory with a day of coupons for the start-up benchmark
// (scripts/bench-startup.sh): COUPONS coupons of three items paid in cash,
// then the day's Z reduction. The memory is the library's usual one
// (ECFSIM_DB, else ./ecfsim.db); `ecfsim next-day` opens the next day.
//
//   coupon_memory COUPONS
//
// The memory is a throwaway one in a temporary folder, so its commits need
// not reach the disk: this program stands in for the C library's syncs.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "fiscport.h"

extern "C" int fsync(int) {
    return 0;
}
extern "C" int fdatasync(int) {
    return 0;
}

namespace {

int coupon() {
    static const char* const kCodes[] = {"7891234567895", "7891000315507", "7896004000800"};
    int32_t rc = ecfImpCab(0);
    for (int i = 0; i < 3 && rc == 0; ++i)
        rc = ecfVenda_Item(kCodes[i], "Produto de teste", "1", "000", "250", i % 5);
    if (rc == 0)
        rc = ecfPagamento(0, "00", "1000", 0);
    if (rc == 0)
        rc = ecfFimTrans("OPERADOR");
    return rc;
}

}  // namespace

int main(int argc, char* argv[]) {
    const long coupons = argc == 2 ? std::strtol(argv[1], nullptr, 10) : -1;
    if (coupons < 0) {
        std::fprintf(stderr, "usage: coupon_memory COUPONS\n");
        return 2;
    }
    for (long i = 0; i < coupons; ++i) {
        if (int rc = coupon()) {
            std::fprintf(stderr, "coupon %ld: code %d\n", i + 1, rc);
            return 1;
        }
    }
    if (int rc = ecfReducaoZ("OPERADOR")) {
        std::fprintf(stderr, "Z reduction: code %d\n", rc);
        return 1;
    }
    return 0;
}
