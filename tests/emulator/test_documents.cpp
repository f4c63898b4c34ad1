// Non-fiscal documents, linked vouchers, cheques, readings and peripherals.
#include <fstream>
#include <sstream>

#include "driver_support.h"

using namespace emutest;

namespace {
class Documents : public DriverTest {};
}  // namespace

TEST_F(Documents, UnlinkedNonFiscalCouponChargesItsVouchers) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfInicCupomNFiscal(1), 0);
    EXPECT_EQ(stateNow(), 122);
    EXPECT_EQ(coupon().substr(4, 1), "2");
    EXPECT_EQ(ecfVendaItem78("Texto descritivo do item", "265", -1), 2);
    EXPECT_EQ(ecfVendaItem78("Texto descritivo do item", "265", 4), 5);  // a linked voucher
    EXPECT_EQ(ecfVendaItem78("Texto descritivo do item", "265", 9), 5);  // not programmed
    ASSERT_EQ(ecfVendaItem78("Texto descritivo do item", "265", 2), 0);
    ASSERT_EQ(ecfVendaItem78("Outro", "100", 2), 0);
    ASSERT_EQ(ecfVendaItem78("Conta", "1000", 3), 0);
    ASSERT_EQ(ecfVendaItem78("Taxa", "200", 2), 0);
    ASSERT_EQ(ecfDescItem(0, "Desconto", "50"), 0);  // the voucher allows discounts
    ASSERT_EQ(ecfImpLinha("linha livre"), 0);
    EXPECT_EQ(ecfVenda_Item("1", "x", "1", "000", "100", 0), 12);
    EXPECT_EQ(trimmed(subtotalField()), "15,15");
    ASSERT_EQ(ecfFimTrans("OP"), 0);
    EXPECT_EQ(stateNow(), 100);
    std::string rec = ecfStatusDocsNFs(2);
    ASSERT_EQ(rec.size(), 113u);
    EXPECT_EQ(rec.substr(2, 20), "Recebimento         ");
    EXPECT_EQ(rec.substr(29, 6), "000001");
    EXPECT_EQ(trimmed(rec.substr(41, 18)), "5,15");  // sales, net of the discount
    EXPECT_EQ(trimmed(rec.substr(59, 18)), "0,00");  // surcharges
    EXPECT_EQ(trimmed(rec.substr(77, 18)), "0,50");  // discounts
    EXPECT_EQ(trimmed(rec.substr(95, 18)), "0,00");  // cancellations
    std::string x = ecfLeituraXSerial();
    EXPECT_EQ(x.substr(654, 18), std::string(15, '0') + "515");  // TRE: voucher 02
    EXPECT_EQ(x.substr(690, 18), std::string(16, '0') + "50");   // non-fiscal discounts
    EXPECT_EQ(trimmed(grandTotalField()), "0,00");               // non-fiscal: no grand total
    EXPECT_TRUE(tool().consistencyProblems().empty());
}

TEST_F(Documents, CancelledNonFiscalCouponMovesToCancellations) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfInicCupomNFiscal(1), 0);
    ASSERT_EQ(ecfVendaItem78("Item", "500", 0), 0);
    ASSERT_EQ(ecfCancVenda("OP"), 0);
    std::string rec = ecfStatusDocsNFs(0);
    EXPECT_EQ(rec.substr(35, 6), "000001");
    EXPECT_EQ(trimmed(rec.substr(41, 18)), "0,00");
    EXPECT_EQ(trimmed(rec.substr(95, 18)), "5,00");
}

TEST_F(Documents, QuotationOfTheDemonstrationPrintsItsBytesAsSent) {
    ASSERT_EQ(ecfImpCab(31), 0);
    ASSERT_EQ(ecfInicCupomNFiscal(1), 0);
    ASSERT_EQ(ecfImpLinha("                 ORCAMENTO"), 0);
    ASSERT_EQ(ecfImpLinha("    Voce pode utilizar esta fun\x87\xC6o"), 0);
    std::string table;
    for (int code = 30; code <= 34; ++code) {
        if (!table.empty())
            table += "  ";
        table += std::to_string(code) + ": " + std::string(1, static_cast<char>(code));
    }
    ASSERT_EQ(ecfImpLinha(table.c_str()), 0);
    ASSERT_EQ(ecfFimTrans("any_name"), 0);
    std::string paper = paperText();
    EXPECT_NE(paper.find("fun\x87\xC6o"), std::string::npos);
    EXPECT_NE(paper.find("30: \x1E  31: \x1F"), std::string::npos);
}

TEST_F(Documents, LinkedVoucherCoversACardPayment) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVendaItem("A", "5000", 0), 0);
    ASSERT_EQ(ecfPagamento(0, "02", "5000", 0), 0);
    ASSERT_EQ(ecfFimTrans("OP"), 0);
    std::string coo = coupon().substr(5, 6);
    std::string v = ecfStatusVincs(0);
    ASSERT_EQ(v.size(), 57u);
    EXPECT_EQ(v.substr(0, 3), "S02");
    EXPECT_EQ(trimmed(v.substr(3, 20)), "50,00");
    EXPECT_EQ(v.substr(43, 6), coo);
    EXPECT_EQ(std::string(ecfStatusPayTypes(2)).substr(1, 2), "SS");

    EXPECT_EQ(ecfInicCNFVinculado(coo.c_str(), "04", "100"), 12);  // the header comes first
    ASSERT_EQ(ecfImpCab(0), 0);
    EXPECT_EQ(ecfInicCNFVinculado(coo.c_str(), "05", "100"), 26);  // cheque voucher, card payment
    EXPECT_EQ(ecfInicCNFVinculado(coo.c_str(), "02", "100"), 5);   // not a linked voucher
    EXPECT_EQ(ecfInicCNFVinculado(coo.c_str(), "04", "6000"), 2);
    EXPECT_EQ(ecfInicCNFVinculado(coo.c_str(), "0-1", "100"), 1);
    ASSERT_EQ(ecfInicCNFVinculado(coo.c_str(), "04", "5000"), 0);
    EXPECT_EQ(stateNow(), 122);
    ASSERT_EQ(ecfImpLinha("Assinatura: ______________"), 0);
    ASSERT_EQ(ecfFimTrans("OP"), 0);
    v = ecfStatusVincs(0);
    EXPECT_EQ(v.substr(0, 1), "N");
    EXPECT_EQ(trimmed(v.substr(23, 20)), "50,00");
    EXPECT_EQ(v.substr(49, 2), "01");
    EXPECT_EQ(v.substr(51, 6), "000002");
    EXPECT_EQ(std::string(ecfStatusVincs(1)).substr(0, 1), "N");
    EXPECT_EQ(std::string(ecfStatusVincs(20)).substr(0, 9), "Erro: 002");
}

TEST_F(Documents, ChequeInWordsAndAuthentication) {
    ASSERT_EQ(
        ecfImpCheque(33, "123456", "Fulano de Tal", "Campo Sereno", "070326", "Campo Especial"), 0);
    ASSERT_EQ(
        ecfChequeKolvex300(1, "100", "Fulano", "Campo Sereno", "07032026", "X", "REAL", "REAIS"),
        0);
    EXPECT_EQ(ecfImpChequeMarvik(1, "100", "Fulano", "Campo Sereno", "320326", "X"), 7);
    std::string paper;
    for (const auto& row : tool().store().paper(0, 0)) {
        EXPECT_EQ(row.station, 'C');
        EXPECT_LE(row.bytes.size(), 48u);
        paper += row.bytes + " ";
    }
    EXPECT_NE(paper.find("MIL DUZENTOS E TRINTA E QUATRO REAIS E CINQUENTA E SEIS CENTAVOS"),
              std::string::npos);
    EXPECT_NE(paper.find("(UM REAL)"), std::string::npos);

    std::string longLine(60, 'x');
    ASSERT_EQ(ecfAutentica(longLine.c_str()), 0);
    auto rows = tool().store().paper(0, 1);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].station, 'A');
    EXPECT_EQ(rows[0].bytes, std::string(48, 'x'));
    set([](fiscemu::Settings& s) { s.authPaper = false; });
    EXPECT_EQ(ecfAutentica("abc"), 22);
    EXPECT_EQ(statusImp().substr(6, 1), "1");
}

TEST_F(Documents, DrawerOpensAndClosesByItself) {
    EXPECT_EQ(statusImp().substr(7, 1), "1");
    ASSERT_EQ(ecfAbreGaveta(), 0);
    EXPECT_EQ(statusImp().substr(7, 1), "0");
    set([](fiscemu::Settings& s) { s.drawerOpenedAt -= 60; });
    EXPECT_EQ(statusImp().substr(7, 1), "1");
}

TEST_F(Documents, FiscalMemoryReadingByZRangeOrDates) {
    ASSERT_EQ(ecfReducaoZ("OP"), 0);
    EXPECT_EQ(ecfLeitMemFisc(2, "101098", "101198", 1, 10, "tavrel.txt"), 0);
    std::ifstream f("tavrel.txt");
    ASSERT_TRUE(f.good());
    std::stringstream ss;
    ss << f.rdbuf();
    EXPECT_NE(ss.str().find("Z 0001"), std::string::npos);
    EXPECT_NE(ss.str().find("REDUCOES NO PERIODO: 1"), std::string::npos);
    // The same dates as a period: nothing was reduced in 1998.
    ASSERT_EQ(ecfLeitMemFisc(1, "101098", "101198", 1, 10, "datas.txt"), 0);
    std::ifstream g("datas.txt");
    std::stringstream sg;
    sg << g.rdbuf();
    EXPECT_NE(sg.str().find("REDUCOES NO PERIODO: 0"), std::string::npos);
    struct Bad {
        int32_t mode;
        const char *from, *to;
        int32_t first, last;
        const char* name;
        int code;
    } bad[] = {
        {2, "101098", "101198", 1, 10, "../x.txt", 8}, {2, "101098", "101198", 1, 10, "/tmp/x", 8},
        {2, "101098", "101198", 1, 10, "", 8},         {2, "101098", "101198", 1, 10, nullptr, 8},
        {3, "101098", "101198", 1, 10, "x.txt", 2},    {2, "101098", "101198", 10, 1, "x.txt", 2},
        {2, "321098", "101198", 1, 10, "x.txt", 7},    {1, "101198", "101098", 1, 10, "x.txt", 7}};
    for (const Bad& b : bad)
        EXPECT_EQ(ecfLeitMemFisc(b.mode, b.from, b.to, b.first, b.last, b.name), b.code)
            << (b.name ? b.name : "null");
    EXPECT_FALSE(std::ifstream("x.txt").good());
}

TEST_F(Documents, ManagerialReportsSumPaymentsUntilTheirZ) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVendaItem("A", "700", 0), 0);
    ASSERT_EQ(ecfPagamento(0, "03", "700", 0), 0);
    ASSERT_EQ(ecfFimTrans("OP"), 0);
    ASSERT_EQ(ecfLXGerencial("OP"), 0);
    EXPECT_EQ(tool().state().payTypes[3].managerial, 700);
    ASSERT_EQ(ecfRZGerencial("OP"), 0);
    EXPECT_EQ(tool().state().payTypes[3].managerial, 0);
    EXPECT_EQ(tool().state().payTypes[3].total, 700);
    EXPECT_NE(paperText().find("REDUCAO Z GERENCIAL"), std::string::npos);
    ASSERT_EQ(ecfLXGerencial("OP"), 0);
    // What each report printed beside a label: X (COO 2), Z (3), X again (4).
    auto printed = [this](int64_t coo, const std::string& label) {
        for (const auto& row : tool().store().paper(0, 0))
            if (row.coo == coo && row.bytes.compare(0, label.size(), label) == 0)
                return trimmed(row.bytes.substr(label.size()));
        return "no line " + label;
    };
    EXPECT_EQ(printed(2, "03 Ticket"), "7,00");
    EXPECT_EQ(printed(2, "TOTAL RECEBIDO"), "7,00");
    EXPECT_EQ(printed(3, "TOTAL RECEBIDO"), "7,00");
    EXPECT_EQ(printed(3, "RELATORIO GERENCIAL"), "0002");
    EXPECT_EQ(printed(4, "03 Ticket"), "0,00");
    EXPECT_EQ(printed(4, "TOTAL RECEBIDO"), "0,00");
}
