// A fiscal coupon from header to closing through the C interface, and the
// ways it can be cancelled.
#include <utility>
#include <vector>

#include "core/codes.h"
#include "driver_support.h"

using namespace emutest;

namespace {
class Coupon : public DriverTest {};
}  // namespace

TEST_F(Coupon, WholeCouponPassesThroughEveryState) {
    EXPECT_EQ(stateNow(), 0);
    EXPECT_EQ(trimmed(subtotalField()), "0,00");
    ASSERT_EQ(ecfImpCab(0), 0);
    EXPECT_EQ(stateNow(), 90);
    std::string c = coupon();
    EXPECT_EQ(c.substr(4, 1), "1");
    EXPECT_EQ(c.substr(5, 6), "000001");
    ASSERT_EQ(ecfVenda_Item("12230.256", "Campo para descricao", "001", "000", "100", 0), 0);
    EXPECT_EQ(stateNow(), 65);
    ASSERT_EQ(ecfVenda_Item("1", "Outro", "2", "500", "250", 4), 0);
    EXPECT_EQ(trimmed(subtotalField()), "7,25");
    EXPECT_EQ(trimmed(grandTotalField()), "7,25");
    ASSERT_EQ(ecfPagamento(0, "01", "500", 0), 0);
    EXPECT_EQ(stateNow(), 123);
    EXPECT_EQ(ecfFimTrans("OPERADOR"), 15);
    ASSERT_EQ(ecfPagamento(0, "00", "1000", 0), 0);
    EXPECT_EQ(stateNow(), 124);
    ASSERT_EQ(ecfImpLinha("Volte sempre"), 0);
    ASSERT_EQ(ecfFimTrans("OPERADOR"), 0);
    EXPECT_EQ(stateNow(), 100);
    ASSERT_EQ(ecfLineFeed(1, 8), 0);
    EXPECT_EQ(trimmed(subtotalField()), "0,00");
    EXPECT_EQ(trimmed(grandTotalField()), "7,25");
    EXPECT_EQ(std::string(ecfStatusTroco()).substr(21), std::string(17, ' ') + "7,75");

    std::string paper = paperText();
    for (const char* expected : {"CUPOM FISCAL", "Campo para descricao", "2,500 x 2,50", "Cheque",
                                 "TROCO R$", "Volte sempre", "OPERADOR: OPERADOR", "COO:000001"})
        EXPECT_NE(paper.find(expected), std::string::npos) << expected;
    EXPECT_TRUE(tool().consistencyProblems().empty());
}

TEST_F(Coupon, ThousandsAreGroupedInTheSubtotalField) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVendaItem("Item", "123456", 0), 0);
    EXPECT_EQ(subtotalField(), "             1.234,56");
    ASSERT_EQ(ecfPagamento(0, "00", "100000", 0), 0);
    ASSERT_EQ(ecfPagamento(0, "00", "23456", 0), 0);
    EXPECT_EQ(stateNow(), 124);
}

TEST_F(Coupon, CancelSaleFromEveryOpenState) {
    struct Step {
        const char* name;
        int state;
        void (*reach)();
    } steps[] = {
        {"header", 90, [] { ecfImpCab(0); }},
        {"selling", 65,
         [] {
             ecfImpCab(0);
             ecfVendaItem("A", "1000", 0);
         }},
        {"paying", 123,
         [] {
             ecfImpCab(0);
             ecfVendaItem("A", "1000", 0);
             ecfPagamento(0, "00", "100", 0);
         }},
        {"paid", 124,
         [] {
             ecfImpCab(0);
             ecfVendaItem("A", "1000", 0);
             ecfPagamento(0, "00", "1000", 0);
         }},
    };
    for (const Step& s : steps) {
        s.reach();
        ASSERT_EQ(stateNow(), s.state) << s.name;
        ASSERT_EQ(ecfCancVenda("OPERADOR"), 0) << s.name;
        EXPECT_EQ(stateNow(), 100) << s.name;
        EXPECT_EQ(tool().state().rates[0].total, 0) << s.name;
        EXPECT_EQ(tool().state().payTypes[0].total, 0) << s.name;
        EXPECT_TRUE(tool().consistencyProblems().empty()) << s.name;
    }
    EXPECT_EQ(ecfCancVenda("OPERADOR"), 12);
    EXPECT_EQ(tool().state().s.dayCancel, 3000);
    EXPECT_EQ(trimmed(grandTotalField()), "30,00");
}

TEST_F(Coupon, CancelLastCouponOnlyWhileNothingFollowedIt) {
    EXPECT_EQ(ecfCancDoc("OP"), 18);
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVendaItem("A", "1500", 2), 0);
    EXPECT_EQ(ecfCancDoc("OP"), 12);  // a coupon is open: that is ecfCancVenda's work
    ASSERT_EQ(ecfPagamento(0, "01", "2000", 0), 0);
    ASSERT_EQ(ecfFimTrans("OP"), 0);
    EXPECT_EQ(tool().state().payTypes[1].total, 2000);
    ASSERT_EQ(ecfCancDoc("OP"), 0);
    EXPECT_EQ(stateNow(), 100);
    EXPECT_EQ(tool().state().rates[2].total, 0);
    EXPECT_EQ(tool().state().payTypes[1].total, 0);
    EXPECT_EQ(tool().state().s.dayChange, 0);
    EXPECT_EQ(tool().state().s.cancelledCoupons, 1);
    EXPECT_EQ(ecfCancDoc("OP"), 18);
    EXPECT_NE(paperText().find("COMPROVANTE DE CANCELAMENTO"), std::string::npos);

    // Another document after the coupon makes it impossible to cancel.
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVendaItem("A", "100", 0), 0);
    ASSERT_EQ(ecfPagamento(0, "00", "100", 0), 0);
    ASSERT_EQ(ecfFimTrans("OP"), 0);
    ASSERT_EQ(ecfLeituraX("OP"), 0);
    EXPECT_EQ(ecfCancDoc("OP"), 18);
    EXPECT_TRUE(tool().consistencyProblems().empty());
}

TEST_F(Coupon, ZReductionClosesTheDayUntilTheDateMovesOn) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVendaItem("A", "990", 0), 0);
    ASSERT_EQ(ecfPagamento(0, "00", "990", 0), 0);
    EXPECT_EQ(ecfReducaoZ("OP"), 12);  // not with a coupon open
    ASSERT_EQ(ecfFimTrans("OP"), 0);
    ASSERT_EQ(ecfReducaoZ("OP"), 0);
    EXPECT_EQ(stateNow(), 115);
    EXPECT_EQ(ecfImpCab(0), 13);
    EXPECT_EQ(ecfReducaoZ("OP"), 13);
    EXPECT_EQ(ecfLeituraX("OP"), 0);
    EXPECT_EQ(stateNow(), 115);
    ASSERT_TRUE(tool().nextDay());
    EXPECT_EQ(stateNow(), 0);
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfCancVenda("OP"), 0);
    EXPECT_EQ(stateNow(), 100);
    ASSERT_TRUE(tool().nextDay());
    EXPECT_EQ(stateNow(), 113);
    EXPECT_EQ(ecfImpCab(0), 14);
    ASSERT_EQ(ecfReducaoZ("OP"), 0);
    EXPECT_EQ(stateNow(), 0);
    std::vector<fiscemu::FiscalRecord> fm = tool().store().fiscalMemory();
    ASSERT_EQ(fm.size(), 2u);
    EXPECT_EQ(fm[0].gross, 990);
    EXPECT_EQ(fm[1].gt, 990);
    EXPECT_EQ(std::string(ecfLeituraXSerial()).substr(0, 4), "0003");
}

TEST_F(Coupon, SubtotalAdjustmentsOfTheDemonstration) {
    ASSERT_EQ(ecfImpCab(60), 0);
    ASSERT_EQ(ecfImpLinha("[Descricao.....................Taxa.......Valor]"), 0);
    ASSERT_EQ(ecfImpLinha(std::string(48, '.').c_str()), 0);
    const char* values[] = {"1300", "3221", "8754", "98", "432"};
    int taxes[] = {2, 3, 3, 1, 1};
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(ecfVendaItem("Produto", values[i], taxes[i]), 0);
    ASSERT_EQ(ecfSubTotal(), 0);
    ASSERT_EQ(ecfCancAcresDescSubTotal(0, 0, "Desconto do subtotal", "300"), 0);
    EXPECT_EQ(trimmed(subtotalField()), "135,05");
    ASSERT_EQ(ecfCancAcresDescSubTotal(0, 1, "Desconto cancelado", "300"), 0);
    ASSERT_EQ(ecfCancAcresDescSubTotal(1, 0, "Acrescimo no subtotal", "120"), 0);
    EXPECT_EQ(trimmed(subtotalField()), "139,25");
    ASSERT_EQ(ecfPagamento(0, "01", "13925", 3), 0);
    ASSERT_EQ(ecfLineFeed(1, 2), 0);
    for (const char* l : {"1 entrada + 2 parcelas (30 e 60 dias)",
                          "Cheques n.: 344120, 344121, 344122", "Fone p/ contato: (000)999-9999"})
        ASSERT_EQ(ecfImpLinha(l), 0) << l;
    ASSERT_EQ(ecfFimTrans("meu_nome"), 0);
    EXPECT_EQ(trimmed(grandTotalField()), "139,25");
    EXPECT_TRUE(tool().consistencyProblems().empty());
}

// Once a subtotal discount or surcharge is given the items are closed: every
// item sale, item discount (given or cancelled) and item cancellation is out
// of sequence and leaves the totalisers and the coupon as they were, until
// the adjustment is cancelled.
TEST_F(Coupon, NoItemOperationAfterASubtotalAdjustment) {
    // Every totaliser, the day's sums, the items and the roll, in words.
    auto totals = [this] {
        const fiscemu::PrinterState& st = tool().state();
        std::string t = "rates";
        for (const fiscemu::TaxRate& r : st.rates)
            t += " " + std::to_string(r.total);
        for (const auto& [totaliser, v] : st.totals)
            t += " T" + std::to_string(totaliser) + "=" + std::to_string(v);
        return t + " gt " + std::to_string(st.s.gt) + " gross " + std::to_string(st.s.dayGross) +
               " cancel " + std::to_string(st.s.dayCancel) + " discount " +
               std::to_string(st.s.dayDiscount) + " surcharge " +
               std::to_string(st.s.daySurcharge) + " items " + std::to_string(st.doc.items.size()) +
               " paper " + std::to_string(tool().store().paper(0, 0).size()) + " subtotal " +
               trimmed(subtotalField());
    };
    const std::vector<std::pair<const char*, int32_t (*)()>> itemOperations = {
        {"ecfVendaItem", [] { return ecfVendaItem("Mais", "100", 0); }},
        {"ecfVenda_Item", [] { return ecfVenda_Item("9", "Mais", "1", "000", "100", 1); }},
        {"ecfVendaItem78", [] { return ecfVendaItem78("Mais", "100", 0); }},
        {"ecfDescItem", [] { return ecfDescItem(0, "Desconto", "10"); }},
        {"ecfDescItem cancel", [] { return ecfDescItem(1, "Canc. desconto", ""); }},
        {"ecfCancItem", [] { return ecfCancItem("Cancela"); }},
        {"ecfCancItemDef", [] { return ecfCancItemDef("0001", "Cancela"); }},
    };
    for (int kind : {0, 1}) {
        SCOPED_TRACE(kind == 0 ? "discount" : "surcharge");
        ASSERT_EQ(ecfImpCab(0), 0);
        ASSERT_EQ(ecfVendaItem("Primeiro", "1000", 0), 0);
        ASSERT_EQ(ecfVendaItem("Segundo", "2000", 1), 0);
        ASSERT_EQ(ecfDescItem(0, "Desconto", "200"), 0);  // the last item, discounted
        ASSERT_EQ(ecfCancAcresDescSubTotal(kind, 0, "Ajuste", "150"), 0);
        const std::string before = totals();
        for (const auto& [name, call] : itemOperations) {
            EXPECT_EQ(call(), fiscemu::kWrongState) << name;
            EXPECT_EQ(totals(), before) << name;
        }
        EXPECT_EQ(stateNow(), 65);
        // Cancelling the adjustment opens the items again.
        ASSERT_EQ(ecfCancAcresDescSubTotal(kind, 1, "Ajuste", "150"), 0);
        ASSERT_EQ(ecfVendaItem("Mais", "100", 0), 0);
        ASSERT_EQ(ecfCancVenda("OP"), 0);
        EXPECT_TRUE(tool().consistencyProblems().empty());
    }
}
