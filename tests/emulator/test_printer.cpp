// The fiscal logic run directly on a state in memory.
#include <gtest/gtest.h>

#include "core/codes.h"
#include "core/printer.h"
#include "core/replies.h"

using namespace fiscemu;

namespace {

class PrinterTest : public ::testing::Test {
protected:
    PrinterTest() : st(factoryState(now)) {}
    Printer p() {
        out = Output{};
        return Printer(st, set, now, out);
    }
    int code() { return stateCode(st, set, now); }
    void openCoupon() { ASSERT_EQ(p().impCab(0), kOk); }
    void sell(const char* price, int tax = 0, const char* qi = "1", const char* qd = "000") {
        ASSERT_EQ(p().vendaItemFields(std::string("1"), std::string("Item"), std::string(qi),
                                      std::string(qd), std::string(price), tax),
                  kOk);
    }

    int64_t now = systemNow();
    Settings set;
    PrinterState st;
    Output out;
};

}  // namespace

TEST_F(PrinterTest, ItemTotalIsQuantityTimesPriceRoundedHalfToEven) {
    struct Case {
        const char *qi, *qd, *price;
        Cents total;
    } cases[] = {{"1", "000", "100", 100},
                 {"2", "500", "250", 625},
                 {"0", "015", "100", 2},
                 {"0", "025", "100", 2},
                 {"0", "035", "100", 4},
                 {"3", "333", "333", 1110},
                 {"9999", "999", "999999999", 9999998999000LL}};
    for (const Case& c : cases) {
        st = factoryState(now);
        openCoupon();
        if (c.total > 99999999999LL) {
            EXPECT_EQ(p().vendaItemFields(std::string("1"), std::string("X"), std::string(c.qi),
                                          std::string(c.qd), std::string(c.price), 0),
                      kOverflow);
            continue;
        }
        sell(c.price, 0, c.qi, c.qd);
        EXPECT_EQ(st.doc.items.back().total, c.total) << c.qi << "," << c.qd << " x " << c.price;
        EXPECT_EQ(st.rates[0].total, c.total);
        EXPECT_EQ(st.s.gt, c.total);
    }
}

TEST_F(PrinterTest, TaxIndexesMapToTotalisersPerModel) {
    struct Case {
        Model model;
        int index;
        int expect;  // totaliser, or -code for a refusal
    } cases[] = {
        {Model::V204, 0, 0},
        {Model::V204, 9, 9},
        {Model::V204, 12, kTotSubstitution},
        {Model::V204, 13, kTotExempt},
        {Model::V204, 14, kTotNotLevied},
        {Model::V204, 15, kTotServices},
        {Model::V204, 10, -kTaxNotProgrammed},
        {Model::V204, 16, -kTaxNotProgrammed},
        {Model::V204, 17, -kOutOfRange},
        {Model::V204, -1, -kOutOfRange},
        {Model::V301, 10, 10},
        {Model::V301, 15, 15},
        {Model::V301, 16, kTotSubstitution},
        {Model::V301, 17, kTotExempt},
        {Model::V301, 18, kTotNotLevied},
        {Model::V301, 19, -kOutOfRange},
        {Model::V300, 15, 15},
    };
    for (const Case& c : cases) {
        st = factoryState(now);
        set.model = c.model;
        openCoupon();
        int rc = p().vendaItemFields(std::string("1"), std::string("X"), std::string("1"),
                                     std::string("000"), std::string("100"), c.index);
        if (c.expect < 0) {
            EXPECT_EQ(rc, -c.expect) << modelName(c.model) << " index " << c.index;
            EXPECT_EQ(code(), 90);
        } else {
            ASSERT_EQ(rc, kOk) << modelName(c.model) << " index " << c.index;
            EXPECT_EQ(st.doc.items.back().totaliser, c.expect);
        }
    }
}

TEST_F(PrinterTest, UnprogrammedRatePositionIsRefused) {
    st.rates[3] = TaxRate{};
    openCoupon();
    EXPECT_EQ(p().vendaItemFree(std::string("X"), std::string("100"), 3), kTaxNotProgrammed);
}

TEST_F(PrinterTest, SubtotalDiscountIsSpreadOverTotalisersExactly) {
    openCoupon();
    sell("1000", 0);
    sell("2000", 1);
    sell("333", 16);
    ASSERT_EQ(p().acresDescSubTotal(0, 0, std::string("Desc"), std::string("100")), kOk);
    Cents sum = st.rates[0].total + st.rates[1].total + st.totals[kTotSubstitution];
    EXPECT_EQ(sum, 3333 - 100);
    EXPECT_EQ(fiscalTotaliserSum(st), st.s.dayGross - st.s.dayCancel - st.s.dayDiscount);
    EXPECT_EQ(documentSubtotal(st.doc), 3233);
    // A second adjustment waits for the first one's cancellation.
    EXPECT_EQ(p().acresDescSubTotal(1, 0, std::string("Acr"), std::string("50")), kAdjustment);
    EXPECT_EQ(p().acresDescSubTotal(1, 1, std::string("Acr"), std::string("50")), kAdjustment);
    ASSERT_EQ(p().acresDescSubTotal(0, 1, std::string("Canc"), std::string("100")), kOk);
    EXPECT_EQ(st.rates[0].total, 1000);
    EXPECT_EQ(st.rates[1].total, 2000);
    EXPECT_EQ(st.totals[kTotSubstitution], 333);
    ASSERT_EQ(p().acresDescSubTotal(1, 0, std::string("Acr"), std::string("120")), kOk);
    EXPECT_EQ(documentSubtotal(st.doc), 3453);
    EXPECT_EQ(st.s.gt, 3333 + 120);
    EXPECT_EQ(fiscalTotaliserSum(st), st.s.dayGross - st.s.dayCancel - st.s.dayDiscount);
}

TEST_F(PrinterTest, ItemDiscountAndCancellation) {
    openCoupon();
    sell("1000");
    EXPECT_EQ(p().descItem(0, std::string("d"), std::string("1000")), kOutOfRange);
    ASSERT_EQ(p().descItem(0, std::string("d"), std::string("150")), kOk);
    EXPECT_EQ(p().descItem(0, std::string("d"), std::string("10")), kAlreadyDone);
    EXPECT_EQ(documentSubtotal(st.doc), 850);
    ASSERT_EQ(p().descItem(1, std::string("c"), std::string("")), kOk);
    EXPECT_EQ(documentSubtotal(st.doc), 1000);
    sell("500");
    ASSERT_EQ(p().cancItemDef(std::string("0001"), std::string("x")), kOk);
    EXPECT_EQ(p().cancItemDef(std::string("1"), std::string("x")), kAlreadyDone);
    EXPECT_EQ(p().cancItemDef(std::string("3"), std::string("x")), kOutOfRange);
    ASSERT_EQ(p().cancItem(std::string("x")), kOk);
    EXPECT_EQ(p().cancItem(std::string("x")), kAlreadyDone);
    EXPECT_EQ(documentSubtotal(st.doc), 0);
    EXPECT_EQ(st.s.gt, 1500);  // the grand total never goes back
    EXPECT_EQ(st.s.dayCancel, 1500);
    EXPECT_EQ(code(), 65);
    EXPECT_EQ(p().pagamento(0, std::string("00"), std::string("100"), 0), kNothingToDo);
}

TEST_F(PrinterTest, PaymentsMoveThroughPaymentAndCommercialLines) {
    openCoupon();
    sell("1000");
    ASSERT_EQ(p().pagamento(0, std::string("01"), std::string("400"), 2), kOk);
    EXPECT_EQ(code(), 123);
    EXPECT_EQ(p().fimTrans(std::string("op")), kNotPaid);
    // Two complementary lines belong to the payment; a third is refused.
    EXPECT_EQ(p().impLinha(std::string("c1")), kOk);
    EXPECT_EQ(p().impLinha(std::string("c2")), kOk);
    EXPECT_EQ(p().impLinha(std::string("c3")), kWrongState);
    ASSERT_EQ(p().pagamento(0, std::string("00"), std::string("700"), 0), kOk);
    EXPECT_EQ(code(), 124);
    EXPECT_EQ(p().pagamento(0, std::string("00"), std::string("1"), 0), kWrongState);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(p().impLinha(std::string("comercial")), kOk);
    EXPECT_EQ(p().impLinha(std::string("nona")), kWrongState);
    ASSERT_EQ(p().fimTrans(std::string("op")), kOk);
    EXPECT_EQ(code(), 100);
    EXPECT_EQ(st.s.dayChange, 100);
    EXPECT_EQ(st.payTypes[0].total, 700);
    EXPECT_EQ(st.payTypes[1].total, 400);
}

TEST_F(PrinterTest, PaymentCancellationReturnsToPayment) {
    openCoupon();
    sell("1000");
    ASSERT_EQ(p().pagamento(0, std::string("00"), std::string("1000"), 0), kOk);
    EXPECT_EQ(code(), 124);
    EXPECT_EQ(p().pagamento(1, std::string("01"), std::string("1000"), 0), kNothingToDo);
    ASSERT_EQ(p().pagamento(1, std::string("00"), std::string("1000"), 0), kOk);
    EXPECT_EQ(code(), 65);
    EXPECT_EQ(st.payTypes[0].total, 0);
}

TEST_F(PrinterTest, Version204LearnsPaymentTypesByName) {
    set.model = Model::V204;
    openCoupon();
    sell("13805");
    ASSERT_EQ(p().pagamentoByName(0, std::string("cheques"), std::string("5000"), 0, 3, kCondTerms),
              kOk);
    int learned = -1;
    for (int i = 0; i < kPayPositions; ++i)
        if (st.payTypes[i].name == "cheques")
            learned = i;
    ASSERT_GE(learned, 4);
    ASSERT_EQ(p().pagamentoByName(0, std::string("DINHEIRO"), std::string("8805"), 0, 0, kCondCash),
              kOk);
    EXPECT_EQ(st.payTypes[0].total, 8805);
    EXPECT_EQ(code(), 124);
    // On 3.00 an unknown name is refused instead.
    set.model = Model::V301;
    st = factoryState(now);
    openCoupon();
    sell("100");
    EXPECT_EQ(p().pagamentoByName(0, std::string("cheques"), std::string("100"), 0, 0, kCondCash),
              kPayTypeUnknown);
    EXPECT_EQ(p().pagamentoByName(0, std::string("CHEQUE"), std::string("100"), 0, 0, kCondCash),
              kOk);
}

TEST_F(PrinterTest, ZReductionRecordsTheDayAndClosesIt) {
    openCoupon();
    sell("2500", 4);
    ASSERT_EQ(p().pagamento(0, std::string("00"), std::string("2500"), 0), kOk);
    ASSERT_EQ(p().fimTrans(std::string("op")), kOk);
    ASSERT_EQ(p().reducaoZ(std::string("op")), kOk);
    ASSERT_TRUE(out.fiscalRecord);
    EXPECT_EQ(out.fiscalRecord->z, 1);
    EXPECT_EQ(out.fiscalRecord->gross, 2500);
    EXPECT_EQ(out.fiscalRecord->gt, 2500);
    EXPECT_EQ(decodeShares(out.fiscalRecord->details)[4], 2500);
    EXPECT_EQ(code(), 115);
    EXPECT_EQ(st.rates[4].total, 0);
    EXPECT_EQ(st.s.gt, 2500);
    EXPECT_EQ(p().impCab(0), kDayClosed);
    EXPECT_EQ(p().reducaoZ(std::string("op")), kDayClosed);
    EXPECT_EQ(p().leituraX(std::string("op")), kOk);
    EXPECT_EQ(code(), 115);
}

TEST_F(PrinterTest, ClockCannotGoBackBeforeTheLastDocument) {
    openCoupon();
    EXPECT_EQ(p().acertaData(1, 1, 26, 10, 0, 0), kWrongState);
    ASSERT_EQ(p().cancVenda(std::string("op")), kOk);
    EXPECT_EQ(p().acertaData(1, 1, 90, 10, 0, 0), kBadDate);
    EXPECT_EQ(p().acertaData(31, 2, 30, 10, 0, 0), kBadDate);
    EXPECT_EQ(p().acertaData(1, 1, 30, 24, 0, 0), kBadDate);
    ASSERT_EQ(p().acertaData(1, 1, 30, 10, 0, 0), kOk);
    EXPECT_EQ(localFromEpoch(systemNow() + set.clockOffset).year, 2030);
    // The open day is behind the new date.
    EXPECT_EQ(stateCode(st, set, systemNow() + set.clockOffset), 113);
}

TEST_F(PrinterTest, ChequeAmountInWordsGoesToTheChequeStation) {
    ASSERT_EQ(p().cheque(Printer::kKolvex300, 33, std::string("123456"), std::string("Fulano"),
                         std::string("Campo Sereno"), std::string("07032026"), std::string("X"),
                         std::string("REAL"), std::string("REAIS")),
              kOk);
    std::string all;
    for (const PaperLine& l : out.paper) {
        EXPECT_EQ(l.station, kCheque);
        EXPECT_LE(l.bytes.size(), kLineWidth);
        all += l.bytes + " ";
    }
    EXPECT_NE(all.find("R$ 1.234,56"), std::string::npos);
    EXPECT_NE(all.find("MIL DUZENTOS E TRINTA E QUATRO REAIS E CINQUENTA E SEIS CENTAVOS"),
              std::string::npos);
    EXPECT_NE(all.find("07 de mar\xE7o de 2026"), std::string::npos);
    EXPECT_EQ(p().cheque(Printer::kKolvex, 33, std::string("1"), std::string("F"), std::string("C"),
                         std::string("07032026"), std::string(""), std::nullopt, std::nullopt),
              kBadFormat);
}

TEST_F(PrinterTest, HeaderFollowsItsOptionBits) {
    ASSERT_EQ(p().impCab(247), kOk);
    ASSERT_GE(out.paper.size(), 8u);
    EXPECT_EQ(out.paper[0].bytes, std::string(48, ' '));  // 128: blank first line
    EXPECT_EQ(out.paper[1].bytes.rfind("CGC ", 0), 0u);   // 64: no address lines
    EXPECT_EQ(out.paper[2].bytes.rfind("IM ", 0), 0u);    // the registrations' second line
    EXPECT_EQ(out.paper[3].bytes, std::string(48, ' '));  // 1: blank after CGC
    EXPECT_EQ(out.paper[4].bytes.rfind("== ", 0), 0u);
    EXPECT_EQ(out.paper[5].bytes, std::string(48, ' '));  // 2
    EXPECT_NE(out.paper[6].bytes.find("CUPOM FISCAL"), std::string::npos);
    EXPECT_EQ(out.paper[7].bytes, std::string(48, ' '));  // 4
    // 32: two free lines under the header, no more.
    EXPECT_EQ(p().impLinha(std::string("a")), kOk);
    EXPECT_EQ(p().impLinha(std::string("b")), kOk);
    EXPECT_EQ(p().impLinha(std::string("c")), kWrongState);
    ASSERT_EQ(p().cancVenda(std::string("x")), kOk);
    ASSERT_EQ(p().impCab(0), kOk);
    EXPECT_EQ(out.paper[0].bytes, std::string(48, '='));
    EXPECT_EQ(out.paper[1].bytes, st.user().line1);
    EXPECT_EQ(p().impLinha(std::string("a")), kWrongState);
    ASSERT_EQ(p().cancVenda(std::string("x")), kOk);
    set.paper = kPaperLowLevel;
    EXPECT_EQ(p().impCab(16), kPaperLow);
    EXPECT_EQ(p().impCab(0), kOk);
}

TEST_F(PrinterTest, NewHeaderWithOtherRegistrationsRegistersAUser) {
    EXPECT_EQ(p().cabLoja(std::string("Loja"), std::string(""), std::string(""), 2, 3,
                          std::string("111"), std::string("222"), nullptr),
              kOk);
    ASSERT_EQ(st.users.size(), 2u);
    EXPECT_EQ(st.user().store, 2);
    EXPECT_EQ(p().cabLoja(std::string("Loja 2"), std::string(""), std::string(""), 2, 3,
                          std::string("111"), std::string("222"), nullptr),
              kOk);
    EXPECT_EQ(st.users.size(), 2u);
    EXPECT_EQ(st.user().line1, "Loja 2");
    openCoupon();
    ASSERT_EQ(p().cancVenda(std::string("x")), kOk);
    // The day is open now: the header waits for the Z reduction.
    EXPECT_EQ(p().cabLoja(std::string("L"), std::string(""), std::string(""), 1, 1,
                          std::string("9"), std::string("9"), nullptr),
              kWrongState);
    set.intervention = true;
    EXPECT_EQ(p().cabLoja(std::string("L"), std::string(""), std::string(""), 1, 1,
                          std::string("9"), std::string("9"), nullptr),
              kOk);
}

TEST_F(PrinterTest, EncryptedGrandTotalUsesTheProgrammedSymbols) {
    EXPECT_EQ(encryptDigits("1230", "ABCDEFGHIJ"), "BCDA");
    EXPECT_EQ(p().cargaCodCripto(std::string("ABCDEFGHIA")), kOutOfRange);
    EXPECT_EQ(p().cargaCodCripto(std::string("ABCDEFGHI1")), kBadFormat);
    EXPECT_EQ(p().cargaCodCripto(std::string("ABC")), kBadFormat);
    EXPECT_EQ(p().cargaCodCripto(std::string("!@#$%&*()?")), kOk);
    EXPECT_EQ(st.s.crypto, "!@#$%&*()?");
}

TEST_F(PrinterTest, NonFiscalItemsChargeTheirTotaliserPerModel) {
    struct Case {
        Model model;
        int index;
        int expect;  // totaliser, or -code for a refusal
    } cases[] = {
        {Model::V204, 10, kTotWithdrawal},      {Model::V204, 11, kTotCashIn},
        {Model::V204, 16, kTotReceipts},        {Model::V204, 0, -kVoucherInvalid},
        {Model::V204, 12, -kVoucherInvalid},    {Model::V204, 20, -kOutOfRange},
        {Model::V301, 0, kTotVoucherFirst + 0}, {Model::V301, 3, kTotVoucherFirst + 3},
        {Model::V301, 4, -kVoucherInvalid},     {Model::V301, 19, -kVoucherInvalid},
        {Model::V301, 21, -kOutOfRange},        {Model::V300, 2, kTotVoucherFirst + 2},
    };
    for (const Case& c : cases) {
        st = factoryState(now);
        set.model = c.model;
        ASSERT_EQ(p().impCab(0), kOk);
        ASSERT_EQ(p().inicCupomNFiscal(1), kOk);
        int rc = p().vendaItem78(std::string("Item"), std::string("250"), c.index);
        if (c.expect < 0) {
            EXPECT_EQ(rc, -c.expect) << modelName(c.model) << " index " << c.index;
            continue;
        }
        ASSERT_EQ(rc, kOk) << modelName(c.model) << " index " << c.index;
        EXPECT_EQ(st.doc.items.back().totaliser, c.expect);
        EXPECT_EQ(st.s.gt, 0);  // non-fiscal amounts stay out of the grand total
        EXPECT_EQ(fiscalTotaliserSum(st), 0);
        ASSERT_EQ(p().fimTrans(std::string("op")), kOk);
        if (isVoucherTotaliser(c.expect)) {
            EXPECT_EQ(st.vouchers[c.expect - kTotVoucherFirst].sales, 250);
            EXPECT_EQ(st.vouchers[c.expect - kTotVoucherFirst].count, 1);
        } else {
            EXPECT_EQ(st.totals[c.expect], 250);
        }
    }
}

TEST_F(PrinterTest, HeaderLinesFitTheReceiptWidthWithTheMunicipalRegistration) {
    // The factory user of a 3.x printer has CGC, IE and IM; together they are
    // wider than the receipt, so IM takes a line of its own.
    ASSERT_EQ(p().impCab(0), kOk);
    bool imPrinted = false;
    for (const PaperLine& l : out.paper) {
        EXPECT_LE(l.bytes.size(), kLineWidth) << l.bytes;
        imPrinted = imPrinted || l.bytes.rfind("IM ", 0) == 0;
    }
    EXPECT_TRUE(imPrinted);
}
