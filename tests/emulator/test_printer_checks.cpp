// The argument checks the printer's commands share, on their own and as the
// commands answer them: format before range, arguments before state.
#include <gtest/gtest.h>

#include "core/codes.h"
#include "core/printer.h"
#include "core/printer_checks.h"

using namespace fiscemu;
using namespace fiscemu::printer_checks;

namespace {

Text text(const char* s) {
    return std::string(s);
}

}  // namespace

TEST(PrinterChecks, TablePositionIsExactlyTwoDigitsUpToTheLast) {
    int pos = -1;
    EXPECT_EQ(checkPosition(text("00"), 20, &pos), kOk);
    EXPECT_EQ(pos, 0);
    EXPECT_EQ(checkPosition(text("20"), 20, &pos), kOk);
    EXPECT_EQ(pos, 20);

    pos = -1;
    // A wrong format is 1 even where the number would also be out of range.
    for (const char* bad : {"", "1", "001", "1a", " 1", "-1", "+1", "99x"})
        EXPECT_EQ(checkPosition(text(bad), 20, &pos), kBadFormat) << bad;
    EXPECT_EQ(checkPosition(std::nullopt, 20, &pos), kBadFormat);
    EXPECT_EQ(checkPosition(text("21"), 20, &pos), kOutOfRange);
    EXPECT_EQ(checkPosition(text("99"), 20, &pos), kOutOfRange);
    EXPECT_EQ(checkPosition(text("10"), 9, &pos), kOutOfRange);
    EXPECT_EQ(pos, -1) << "a refused position leaves the output alone";
}

TEST(PrinterChecks, AmountsAreOneToElevenDigits) {
    Cents v = -1;
    EXPECT_EQ(checkAmount(text("0"), &v), kOk);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(checkAmount(text("99999999999"), &v), kOk);
    EXPECT_EQ(v, 99999999999LL);
    for (const char* bad : {"", "999999999999", "1,00", "1.00", "-5", " 5", "5 "})
        EXPECT_EQ(checkAmount(text(bad), &v), kBadFormat) << bad;
    EXPECT_EQ(checkAmount(std::nullopt, &v), kBadFormat);

    EXPECT_EQ(checkPositiveAmount(text("1"), &v), kOk);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(checkPositiveAmount(text("0"), &v), kOutOfRange);
    EXPECT_EQ(checkPositiveAmount(text("00000000000"), &v), kOutOfRange);
    // Format first: a malformed amount is never "out of range".
    EXPECT_EQ(checkPositiveAmount(text("0x"), &v), kBadFormat);
    EXPECT_EQ(checkPositiveAmount(std::nullopt, &v), kBadFormat);
}

TEST(PrinterChecks, DescriptionsAreUpToFortyBytesAndMayBeRequired) {
    EXPECT_EQ(checkDescription(text(""), 0), kOk);
    EXPECT_EQ(checkDescription(text(""), 1), kBadFormat);
    EXPECT_EQ(checkDescription(text("X"), 1), kOk);
    EXPECT_EQ(checkDescription(Text(std::string(40, 'a')), 1), kOk);
    EXPECT_EQ(checkDescription(Text(std::string(41, 'a')), 0), kBadFormat);
    EXPECT_EQ(checkDescription(std::nullopt, 0), kBadFormat);
}

TEST(PrinterChecks, OperatorFlagsAndComplementaryLines) {
    EXPECT_EQ(checkOperator(text("")), kOk);
    EXPECT_EQ(checkOperator(Text(std::string(40, 'a'))), kOk);
    EXPECT_EQ(checkOperator(Text(std::string(41, 'a'))), kBadFormat);
    EXPECT_EQ(checkOperator(std::nullopt), kBadFormat);

    EXPECT_EQ(checkFlag(0), kOk);
    EXPECT_EQ(checkFlag(1), kOk);
    EXPECT_EQ(checkFlag(2), kOutOfRange);
    EXPECT_EQ(checkFlag(-1), kOutOfRange);

    for (int n = 0; n <= 3; ++n)
        EXPECT_EQ(checkComplementaryLines(n), kOk) << n;
    EXPECT_EQ(checkComplementaryLines(4), kOutOfRange);
    EXPECT_EQ(checkComplementaryLines(-1), kOutOfRange);
}

TEST(PrinterChecks, VoucherPermissionsApplyToVoucherItemsOnly) {
    PrinterState st = factoryState(systemNow());
    // Sangria (00) is programmed by the factory; take its permissions away.
    st.vouchers[0].discount = false;
    st.vouchers[0].cancel = true;
    int voucherTotaliser = kTotVoucherFirst + 0;
    EXPECT_EQ(checkVoucherAllows(st, voucherTotaliser, &Voucher::discount, "desconto"),
              kVoucherInvalid);
    EXPECT_EQ(checkVoucherAllows(st, voucherTotaliser, &Voucher::cancel, "cancelamento"), kOk);
    // A tax-rate totaliser is never subject to a voucher's programming.
    EXPECT_EQ(checkVoucherAllows(st, 0, &Voucher::discount, "desconto"), kOk);
}

namespace {

class SharedChecksInCommands : public ::testing::Test {
protected:
    SharedChecksInCommands() : st(factoryState(now)) {}
    Printer p() {
        out = Output{};
        return Printer(st, set, now, out);
    }
    int64_t now = systemNow();
    Settings set;
    PrinterState st;
    Output out;
};

}  // namespace

TEST_F(SharedChecksInCommands, PaymentAnswersItsArgumentsInOrderBeforeTheState) {
    // No coupon is open, yet each malformed argument is answered first.
    EXPECT_EQ(p().pagamento(2, text("x"), text("x"), 9), kOutOfRange);  // the flag first
    EXPECT_EQ(p().pagamento(0, text("x"), text("x"), 9), kBadFormat);   // then the position
    EXPECT_EQ(p().pagamento(0, text("21"), text("x"), 9), kOutOfRange);
    EXPECT_EQ(p().pagamento(0, text("00"), text("x"), 9), kBadFormat);  // then the amount
    EXPECT_EQ(p().pagamento(0, text("00"), text("0"), 9), kOutOfRange);
    EXPECT_EQ(p().pagamento(0, text("00"), text("100"), 4), kOutOfRange);  // then the lines
    EXPECT_EQ(p().pagamento(0, text("04"), text("100"), 3), kPayTypeUnknown);
    EXPECT_EQ(p().pagamento(0, text("00"), text("100"), 3), kWrongState);  // state last
    EXPECT_TRUE(out.paper.empty());
}

TEST_F(SharedChecksInCommands, ReportsCheckTheOperatorBeforeTheState) {
    set.intervention = true;
    Text longOperator = std::string(41, 'o');
    EXPECT_EQ(p().leituraX(longOperator), kBadFormat);
    EXPECT_EQ(p().lxGerencial(longOperator), kBadFormat);
    EXPECT_EQ(p().reducaoZ(longOperator), kBadFormat);
    EXPECT_EQ(p().fimTrans(longOperator), kBadFormat);
    EXPECT_EQ(p().leituraX(text("ANA")), kIntervention);
    set.intervention = false;

    int64_t coo = st.s.coo, gnf = st.s.gnf;
    ASSERT_EQ(p().leituraX(text("ANA")), kOk);
    EXPECT_EQ(st.s.coo, coo + 1);
    EXPECT_EQ(st.s.gnf, gnf + 1);
    EXPECT_EQ(st.s.lastDocCoo, st.s.coo);
    ASSERT_EQ(p().rzGerencial(text("ANA")), kOk);
    EXPECT_EQ(st.s.coo, coo + 2);
    EXPECT_EQ(st.s.gnf, gnf + 2);
    EXPECT_EQ(st.s.lastDocCoo, st.s.coo);
    EXPECT_EQ(out.paper.back().coo, st.s.coo) << "the footer carries the report's own COO";
}

TEST_F(SharedChecksInCommands, ProgrammingPositionsAndLinkedVouchers) {
    EXPECT_EQ(p().payPatterns(text("5"), text("Pix")), kBadFormat);
    EXPECT_EQ(p().payPatterns(text("21"), text("Pix")), kOutOfRange);
    ASSERT_EQ(p().payPatterns(text("05"), text("Pix")), kOk);
    EXPECT_EQ(st.payTypes[5].name, "Pix");

    auto prog = [&](const char* pos, const char* related) {
        return p().progNFComprov(text(pos), text("Vale"), text("S"), text("S"), text("S"),
                                 text("S"), text("S"), text(related));
    };
    EXPECT_EQ(prog("1", "05"), kBadFormat);
    EXPECT_EQ(prog("21", "05"), kOutOfRange);
    EXPECT_EQ(prog("06", "5"), kBadFormat);
    EXPECT_EQ(prog("06", "21"), kOutOfRange);
    EXPECT_EQ(prog("06", "06"), kPayTypeUnknown);  // linked to an unprogrammed type
    ASSERT_EQ(prog("06", "05"), kOk);
    EXPECT_EQ(st.vouchers[6].related, 5);
    EXPECT_TRUE(st.vouchers[6].linked);
}
