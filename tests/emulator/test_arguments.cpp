// Bad arguments are refused with their code and change nothing; each model
// has its own command set; the port and the power decide who answers.
#include <climits>
#include <functional>

#include "driver_support.h"
#include "memory_files.h"

using namespace emutest;

namespace {

class Arguments : public DriverTest {
protected:
    // A snapshot of everything a refusal must leave as it was.
    std::string snapshot() {
        const fiscemu::PrinterState& st = tool().state();
        std::string s = statusImp() + coupon().substr(0, 11) + coupon().substr(25);
        s += std::to_string(tool().store().paper(0, 0).size()) + "/" + std::to_string(st.s.coo) +
             "/" + std::to_string(st.doc.items.size()) + "/" +
             std::to_string(st.doc.payments.size()) + "/" + std::to_string(st.users.size()) + "/" +
             std::to_string(st.s.codeSize) + "/" + st.s.crypto + "/" + st.payTypes[5].name + "/" +
             st.vouchers[7].name + "/" + std::to_string(st.rates[3].rate) +
             std::to_string(tool().settings().clockOffset);
        return s;
    }
};

struct BadCall {
    const char* what;
    int code;
    std::function<int32_t()> call;
};

const std::string kHuge(100000, 'A');

}  // namespace

TEST_F(Arguments, RefusalsInACouponChangeNothing) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVendaItem("Base", "1000", 0), 0);
    const BadCall cases[] = {
        {"price with letters", 1, [] { return ecfVenda_Item("1", "x", "1", "000", "1a0", 0); }},
        {"price with comma", 1, [] { return ecfVenda_Item("1", "x", "1", "000", "1,00", 0); }},
        {"empty price", 1, [] { return ecfVenda_Item("1", "x", "1", "000", "", 0); }},
        {"null price", 1, [] { return ecfVenda_Item("1", "x", "1", "000", nullptr, 0); }},
        {"null code", 1, [] { return ecfVenda_Item(nullptr, "x", "1", "000", "100", 0); }},
        {"code past its size", 1,
         [] { return ecfVenda_Item("12345678901234", "x", "1", "000", "100", 0); }},
        {"empty description", 1, [] { return ecfVenda_Item("1", "", "1", "000", "100", 0); }},
        {"huge description", 1,
         [] { return ecfVenda_Item("1", kHuge.c_str(), "1", "000", "100", 0); }},
        {"quantity thousandths of four digits", 1,
         [] { return ecfVenda_Item("1", "x", "1", "0000", "100", 0); }},
        {"zero quantity", 2, [] { return ecfVenda_Item("1", "x", "0", "000", "100", 0); }},
        {"zero total", 2, [] { return ecfVenda_Item("1", "x", "0", "001", "100", 0); }},
        {"tax index -1", 2, [] { return ecfVenda_Item("1", "x", "1", "000", "100", -1); }},
        {"tax index 19", 2, [] { return ecfVenda_Item("1", "x", "1", "000", "100", 19); }},
        {"tax index INT_MIN", 2,
         [] { return ecfVenda_Item("1", "x", "1", "000", "100", INT_MIN); }},
        {"tax index INT_MAX", 2, [] { return ecfVendaItem("x", "100", INT_MAX); }},
        {"item line too long", 1,
         [] { return ecfVendaItem78(std::string(79, 'x').c_str(), "100", 0); }},
        {"item total not digits", 1, [] { return ecfVendaItem78("linha", "1.00", 0); }},
        {"item total too large", 6, [] { return ecfVendaItem("x", "99999999999", 0); }},
        {"discount of the whole item", 2, [] { return ecfDescItem(0, "d", "1000"); }},
        {"discount empty", 1, [] { return ecfDescItem(0, "d", ""); }},
        {"discount operation 2", 2, [] { return ecfDescItem(2, "d", "10"); }},
        {"cancel discount never given", 16, [] { return ecfDescItem(1, "d", ""); }},
        {"cancel item 0", 2, [] { return ecfCancItemDef("0", "d"); }},
        {"cancel item 2", 2, [] { return ecfCancItemDef("0002", "d"); }},
        {"cancel item letters", 1, [] { return ecfCancItemDef("abc", "d"); }},
        {"subtotal kind 2", 2, [] { return ecfCancAcresDescSubTotal(2, 0, "d", "10"); }},
        {"subtotal amount text", 1, [] { return ecfCancAcresDescSubTotal(1, 0, "d", "Edit1"); }},
        {"subtotal discount of everything", 2,
         [] { return ecfCancAcresDescSubTotal(0, 0, "d", "1000"); }},
        {"cancel missing surcharge", 19, [] { return ecfCancAcresDescSubTotal(1, 1, "d", "10"); }},
        {"payment position 21", 2, [] { return ecfPagamento(0, "21", "100", 0); }},
        {"payment position -1", 1, [] { return ecfPagamento(0, "0-1", "100", 0); }},
        {"payment position 1 digit", 1, [] { return ecfPagamento(0, "1", "100", 0); }},
        {"payment unprogrammed", 4, [] { return ecfPagamento(0, "09", "100", 0); }},
        {"payment zero", 2, [] { return ecfPagamento(0, "00", "0", 0); }},
        {"payment four lines", 2, [] { return ecfPagamento(0, "00", "100", 4); }},
        {"payment cancel flag 5", 2, [] { return ecfPagamento(5, "00", "100", 0); }},
        {"payment by unknown name", 4, [] { return ecfPagCancPag(0, "cheques", "100", 0, 0); }},
        {"payment by null name", 1, [] { return ecfPagCancPag(0, nullptr, "100", 0, 0); }},
        {"payment omit flag 2", 2, [] { return ecfPrazoCancPrazo(0, "Dinheiro", "100", 2, 0); }},
        {"line too long", 1, [] { return ecfImpLinha(std::string(49, 'x').c_str()); }},
        {"line while selling", 12, [] { return ecfImpLinha("x"); }},
        {"null line", 1, [] { return ecfImpLinha(nullptr); }},
        {"closing unpaid", 15, [] { return ecfFimTrans("OP"); }},
        {"operator too long", 1, [] { return ecfFimTrans(kHuge.c_str()); }},
        {"null operator", 1, [] { return ecfCancVenda(nullptr); }},
        {"header again", 12, [] { return ecfImpCab(0); }},
        {"header flags 256", 2, [] { return ecfImpCab(256); }},
        {"non-fiscal kind 2", 2, [] { return ecfInicCupomNFiscal(2); }},
        {"non-fiscal after items", 12, [] { return ecfInicCupomNFiscal(1); }},
        {"X reading in a coupon", 12, [] { return ecfLeituraX("OP"); }},
        {"line feed station 0", 2, [] { return ecfLineFeed(0, 1); }},
        {"line feed -1 lines", 2, [] { return ecfLineFeed(1, -1); }},
        {"line feed 1000 lines", 2, [] { return ecfLineFeed(1, 1000); }},
        {"date in a coupon", 12, [] { return ecfAcertaData(1, 1, 30, 0, 0, 0); }},
        {"tax table in a coupon", 12, [] { return ecfCargaTabAliq(3, "100"); }},
        {"code size in a coupon", 12, [] { return ecfPrgCod(5); }},
        {"port 2", 2, [] { return ChangePort(2); }},
    };
    for (const BadCall& c : cases) {
        std::string before = snapshot();
        EXPECT_EQ(c.call(), c.code) << c.what;
        EXPECT_EQ(snapshot(), before) << c.what;
    }
    EXPECT_EQ(stateNow(), 65);
    EXPECT_TRUE(tool().consistencyProblems().empty());
}

TEST_F(Arguments, RefusedProgrammingChangesNothing) {
    const BadCall cases[] = {
        {"date 31/02", 7, [] { return ecfAcertaData(31, 2, 26, 10, 0, 0); }},
        {"hour 25", 7, [] { return ecfAcertaData(1, 1, 30, 25, 0, 0); }},
        {"negative day", 7, [] { return ecfAcertaData(-1, 1, 30, 1, 0, 0); }},
        {"year INT_MAX", 7, [] { return ecfAcertaData(1, 1, INT_MAX, 1, 0, 0); }},
        {"header line of 49", 1,
         [] { return ecfCabLoja(std::string(49, 'x').c_str(), "", "", 1, 1, "1", "2"); }},
        {"header empty first line", 1, [] { return ecfCabLoja("", "", "", 1, 1, "1", "2"); }},
        {"store 10000", 2, [] { return ecfCabLoja("L", "", "", 10000, 1, "1", "2"); }},
        {"equipment -1", 2, [] { return ecfCabLoja("L", "", "", 1, -1, "1", "2"); }},
        {"empty IE", 1, [] { return ecfCabLoja("L", "", "", 1, 1, "1", ""); }},
        {"empty CGC", 1, [] { return ecfProgHeader30("L", "", "", 1, 1, "", "2", "3"); }},
        {"IM of 16", 1,
         [] { return ecfProgHeader30("L", "", "", 1, 1, "1", "2", "1234567890123456"); }},
        {"null line", 1, [] { return ecfProgHeader30(nullptr, "", "", 1, 1, "1", "2", "3"); }},
        {"rate position 10", 2, [] { return ecfCargaTabAliq(10, "100"); }},
        {"rate with fraction", 1, [] { return ecfCargaTabAliq(3, "234,5"); }},
        {"rate of 5 digits", 1, [] { return ecfCargaTabAliq(3, "10000"); }},
        {"select position 20", 2, [] { return ecfCargaAliqSelect("20", "T", "100"); }},
        {"select type X", 1, [] { return ecfCargaAliqSelect("3", "X", "100"); }},
        {"select rate text", 1, [] { return ecfCargaAliqSelect("3", "T", "abc"); }},
        {"code size 0", 2, [] { return ecfPrgCod(0); }},
        {"code size 14", 2, [] { return ecfPrgCod(14); }},
        {"symbols of 9", 1, [] { return ecfCargaCodCripto("ABCDEFGHI"); }},
        {"symbols repeated", 2, [] { return ecfCargaCodCripto("AACDEFGHIJ"); }},
        {"pay position 21", 2, [] { return ecfPayPatterns("21", "X"); }},
        {"pay position -1", 1, [] { return ecfPayPatterns("0-1", "X"); }},
        {"pay description of 21", 1,
         [] { return ecfPayPatterns("05", std::string(21, 'x').c_str()); }},
        {"voucher flag X", 1,
         [] { return ecfProgNFComprov("07", "D", "X", "N", "N", "N", "N", "00"); }},
        {"voucher empty description", 1,
         [] { return ecfProgNFComprov("07", "", "N", "N", "N", "N", "N", "00"); }},
        {"voucher position 21", 2,
         [] { return ecfProgNFComprov("21", "D", "N", "N", "N", "N", "N", "00"); }},
        {"voucher linked to unprogrammed payment", 4,
         [] { return ecfProgNFComprov("07", "D", "N", "N", "N", "N", "S", "12"); }},
        {"cheque bank 0", 2, [] { return ecfImpCheque(0, "100", "F", "C", "070326", "E"); }},
        {"cheque value text", 1, [] { return ecfImpCheque(1, "1,00", "F", "C", "070326", "E"); }},
        {"cheque payee of 66", 1,
         [] { return ecfImpCheque(1, "100", std::string(66, 'x').c_str(), "C", "070326", "E"); }},
        {"cheque date of 8 on 2.x", 1,
         [] { return ecfImpChequeMarvik(1, "100", "F", "C", "07032026", "E"); }},
        {"cheque null currency", 1,
         [] { return ecfChequeKolvex300(1, "100", "F", "C", "07032026", "E", nullptr, "R"); }},
        {"authentication null", 1, [] { return ecfAutentica(nullptr); }},
        {"close without document", 12, [] { return ecfFimTrans("OP"); }},
        {"item without coupon", 12, [] { return ecfVendaItem("x", "100", 0); }},
        {"payment without coupon", 12, [] { return ecfPagamento(0, "00", "100", 0); }},
        {"subtotal without coupon", 12, [] { return ecfSubTotal(); }},
        {"cancel item without coupon", 12, [] { return ecfCancItem("x"); }},
    };
    for (const BadCall& c : cases) {
        std::string before = snapshot();
        EXPECT_EQ(c.call(), c.code) << c.what;
        EXPECT_EQ(snapshot(), before) << c.what;
    }
    EXPECT_EQ(stateNow(), 0);
}

TEST_F(Arguments, AcceptedProgrammingTakesEffect) {
    ASSERT_EQ(ecfCargaTabAliq(3, "1850"), 0);
    EXPECT_EQ(std::string(ecfStatusAliquotas(3)).substr(1, 6), "T18,50");
    ASSERT_EQ(ecfCargaAliqSelect("15", "S", "550"), 0);
    EXPECT_EQ(std::string(ecfStatusAliquotas(15)).substr(0, 7), "1S05,50");
    ASSERT_EQ(ecfCargaAliqSelect("15", "S", "    "), 0);
    EXPECT_EQ(std::string(ecfStatusAliquotas(15)).substr(0, 2), "0 ");
    ASSERT_EQ(ecfPayPatterns("20", "Dinheiro"), 0);
    EXPECT_EQ(std::string(ecfStatusPayTypes(20)).substr(3, 8), "Dinheiro");
    ASSERT_EQ(ecfProgNFComprov("05", "Dinheiro", "S", "S", "S", "S", "S", "12"), 4);
    ASSERT_EQ(ecfPayPatterns("12", "Vale"), 0);
    ASSERT_EQ(ecfProgNFComprov("05", "Dinheiro", "S", "S", "S", "S", "S", "12"), 0);
    EXPECT_EQ(std::string(ecfStatusDocsNFs(5)).substr(22, 7), "SSSSS12");
    ASSERT_EQ(ecfPrgCod(3), 0);
    ASSERT_EQ(ecfImpCab(0), 0);
    EXPECT_EQ(ecfVenda_Item("1234", "x", "1", "000", "100", 0), 1);
    EXPECT_EQ(ecfVenda_Item("123", "x", "1", "000", "100", 0), 0);
}

TEST_F(Arguments, EachModelHasItsCommandSet) {
    struct Probe {
        const char* name;
        std::function<bool()> answered;  // true when the model has the command
    };
    auto notAnswered = [](const char* reply) {
        return std::string(reply).substr(0, 9) == "Erro: 079";
    };
    const Probe probes[] = {
        {"ecfStatusAliquotas", [&] { return !notAnswered(ecfStatusAliquotas(0)); }},
        {"ecfStatusPayTypes", [&] { return !notAnswered(ecfStatusPayTypes(0)); }},
        {"ecfStatusDocsNFs", [&] { return !notAnswered(ecfStatusDocsNFs(0)); }},
        {"ecfStatusTroco", [&] { return !notAnswered(ecfStatusTroco()); }},
        {"ecfStatusVincs", [&] { return !notAnswered(ecfStatusVincs(0)); }},
        {"ecfPayPatterns", [] { return ecfPayPatterns("09", "Vale") != 79; }},
        {"ecfProgNFComprov",
         [] { return ecfProgNFComprov("09", "D", "N", "N", "N", "N", "N", "00") != 79; }},
        {"ecfCargaAliqSelect", [] { return ecfCargaAliqSelect("19", "T", "100") != 79; }},
        {"ecfProgHeader30",
         [] {
             return ecfProgHeader30("L", "", "", 1, 1, "012345678901234567", "012345678-901",
                                    "728182-382") != 79;
         }},
        {"ecfPagamento", [] { return ecfPagamento(0, "00", "1", 0) != 79; }},
        {"ecfInicCNFVinculado", [] { return ecfInicCNFVinculado("1", "04", "1") != 79; }},
        {"ecfChequeKolvex300",
         [] { return ecfChequeKolvex300(1, "1", "F", "C", "07032026", "", "R", "R") != 79; }},
        {"ecfCabLoja",
         [] { return ecfCabLoja("L", "", "", 1, 1, "012345678901234567", "012345678-901") != 79; }},
        {"ecfCargaTabAliq", [] { return ecfCargaTabAliq(9, "2500") != 79; }},
        {"ecfStatusEquipo", [&] { return !notAnswered(ecfStatusEquipo()); }},
        {"ecfPagCancPag", [] { return ecfPagCancPag(0, "dinheiro", "1", 0, 0) != 79; }},
    };
    struct Expect {
        fiscemu::Model model;
        std::vector<std::string> missing;
    } models[] = {
        {fiscemu::Model::V204,
         {"ecfStatusAliquotas", "ecfStatusPayTypes", "ecfStatusDocsNFs", "ecfStatusTroco",
          "ecfStatusVincs", "ecfPayPatterns", "ecfProgNFComprov", "ecfCargaAliqSelect",
          "ecfProgHeader30", "ecfPagamento", "ecfInicCNFVinculado", "ecfChequeKolvex300"}},
        {fiscemu::Model::V300, {"ecfStatusTroco", "ecfStatusVincs"}},
        {fiscemu::Model::V301, {}},
    };
    for (const Expect& m : models) {
        set([&](fiscemu::Settings& s) { s.model = m.model; });
        for (const Probe& p : probes) {
            bool missing = std::find(m.missing.begin(), m.missing.end(), p.name) != m.missing.end();
            EXPECT_EQ(p.answered(), !missing) << fiscemu::modelName(m.model) << " " << p.name;
        }
        std::string equipo = ecfStatusEquipo();
        EXPECT_EQ(equipo.substr(17, 4), fiscemu::modelName(m.model));
    }
}

TEST_F(Arguments, PrinterAnswersOnlyOnItsPortAndWhenPowered) {
    ASSERT_EQ(ChangePort(1), 0);
    EXPECT_EQ(ecfLineFeed(1, 0), 79);
    EXPECT_EQ(statusImp().substr(0, 9), "Erro: 079");
    set([](fiscemu::Settings& s) { s.port = 1; });
    EXPECT_EQ(ecfLineFeed(1, 0), 0);
    set([](fiscemu::Settings& s) { s.power = false; });
    EXPECT_EQ(ecfImpCab(0), 79);
    EXPECT_EQ(statusImp().substr(0, 9), "Erro: 079");
    set([](fiscemu::Settings& s) { s.power = true; });
    EXPECT_EQ(stateNow(), 0);
    auto trace = tool().store().trace(0, 0);
    ASSERT_GE(trace.size(), 3u);
    EXPECT_EQ(trace[0].function, "ChangePort");
    EXPECT_EQ(trace[0].args, "0");
}

// A control byte in any text the printer would print or keep to print is
// refused with 1 before anything else is looked at, and nothing changes;
// 30 and 31 are the printer's triangles and print as such.
TEST_F(Arguments, ControlBytesInTextsAreRefusedAndChangeNothing) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVendaItem("Base", "1000", 0), 0);
    const std::string before = snapshot();
    const std::string tables = dumpTables(dir_->db());
    for (int byte = 1; byte < 30; ++byte) {
        const std::string text = "Caf\xE9 " + std::string(1, static_cast<char>(byte)) + " x";
        const char* t = text.c_str();
        const std::vector<BadCall> calls = {
            {"ecfImpLinha", 1, [t] { return ecfImpLinha(t); }},
            {"ecfVenda_Item code", 1,
             [t] { return ecfVenda_Item(t, "ITEM", "1", "000", "100", 0); }},
            {"ecfVenda_Item description", 1,
             [t] { return ecfVenda_Item("1", t, "1", "000", "100", 0); }},
            {"ecfVendaItem78", 1, [t] { return ecfVendaItem78(t, "100", 0); }},
            {"ecfVendaItem", 1, [t] { return ecfVendaItem(t, "100", 0); }},
            {"ecfDescItem", 1, [t] { return ecfDescItem(0, t, "10"); }},
            {"ecfCancItem", 1, [t] { return ecfCancItem(t); }},
            {"ecfCancItemDef", 1, [t] { return ecfCancItemDef("0001", t); }},
            {"ecfCancAcresDescSubTotal", 1,
             [t] { return ecfCancAcresDescSubTotal(1, 0, t, "10"); }},
            {"ecfPagCancPag", 1, [t] { return ecfPagCancPag(0, t, "100", 0, 0); }},
            {"ecfPrazoCancPrazo", 1, [t] { return ecfPrazoCancPrazo(0, t, "100", 0, 0); }},
            {"ecfFimTrans", 1, [t] { return ecfFimTrans(t); }},
            {"ecfCancVenda", 1, [t] { return ecfCancVenda(t); }},
            {"ecfCancDoc", 1, [t] { return ecfCancDoc(t); }},
            {"ecfLeituraX", 1, [t] { return ecfLeituraX(t); }},
            {"ecfReducaoZ", 1, [t] { return ecfReducaoZ(t); }},
            {"ecfLXGerencial", 1, [t] { return ecfLXGerencial(t); }},
            {"ecfRZGerencial", 1, [t] { return ecfRZGerencial(t); }},
            {"ecfImpCheque payee", 1,
             [t] { return ecfImpCheque(1, "100", t, "CIDADE", "100326", ""); }},
            {"ecfImpChequeMarvik city", 1,
             [t] { return ecfImpChequeMarvik(1, "100", "FULANO", t, "100326", ""); }},
            {"ecfImpCheque extra", 1,
             [t] { return ecfImpCheque(1, "100", "FULANO", "CIDADE", "100326", t); }},
            {"ecfChequeKolvex300 currency", 1,
             [t] { return ecfChequeKolvex300(1, "100", "F", "C", "10032026", "", t, "REAIS"); }},
            {"ecfAutentica", 1, [t] { return ecfAutentica(t); }},
            {"ecfCabLoja", 1, [t] { return ecfCabLoja(t, "", "", 1, 1, "CGC", "IE"); }},
            {"ecfProgHeader30", 1,
             [t] { return ecfProgHeader30("LOJA", "", "", 1, 1, "CGC", "IE", t); }},
            {"ecfCargaCodCripto", 1,
             [byte] {
                 return ecfCargaCodCripto(
                     ("QWERTYUIO" + std::string(1, static_cast<char>(byte))).c_str());
             }},
            {"ecfPayPatterns", 1, [t] { return ecfPayPatterns("05", t); }},
            {"ecfProgNFComprov", 1,
             [t] { return ecfProgNFComprov("07", t, "S", "S", "S", "N", "N", "00"); }},
        };
        for (const BadCall& c : calls)
            EXPECT_EQ(c.call(), c.code) << c.what << " with byte " << byte;
    }
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(dumpTables(dir_->db()), tables) << "a refusal wrote to the memory";

    // The triangles print: the character table of the demonstrations starts at 30.
    ASSERT_EQ(ecfCancVenda("OP"), 0);
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfInicCupomNFiscal(1), 0);
    ASSERT_EQ(ecfImpLinha("30: \x1E  31: \x1F"), 0);
    EXPECT_EQ(fiscemu::paperText(tool().store().paper(0, 1).at(0)), "30: ▲  31: ▼");
}

TEST_F(Arguments, TraceEscapesTheBytesAsSent) {
    ASSERT_EQ(ecfImpCab(32), 0);
    ASSERT_EQ(ecfImpLinha("a\"b\\c\x87\x1E"), 0);
    auto rows = tool().store().trace(0, 1);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].function, "ecfImpLinha");
    EXPECT_EQ(rows[0].args, "\"a\\x22b\\x5Cc\\x87\\x1E\"");
    EXPECT_EQ(rows[0].result, "0");
    ecfVendaItem(kHuge.c_str(), "1", 0);
    rows = tool().store().trace(0, 1);
    EXPECT_NE(rows[0].args.find("...(100000 bytes)"), std::string::npos);
    EXPECT_LT(rows[0].args.size(), 400u);
}

TEST_F(Arguments, ExtremeIntegersAndOddTextsNeverBreakTheMemory) {
    const int32_t ints[] = {INT_MIN, -1, 0, 1, 2, 19, 20, 255, 256, 9999, INT_MAX};
    const char* texts[] = {
        nullptr,      "", " ", "0", "00", "-1", "1e9", "\xFF\xFE", "99999999999999999999",
        kHuge.c_str()};
    int32_t one = 1;
    for (int32_t i : ints) {
        for (const char* t : texts) {
            ecfLineFeed(i, i % 3);
            ecfImpCab(i);
            ecfInicCupomNFiscal(i);
            ecfVendaItem(t, t, i);
            ecfVendaItem78(t, t, i);
            ecfVenda_Item(t, t, t, t, t, i);
            ecfDescItem(i, t, t);
            ecfCancItemDef(t, t);
            ecfCancAcresDescSubTotal(i, i, t, t);
            ecfPagamento(i, t, t, i);
            ecfPagCancPag(i, t, t, i, i);
            ecfImpCheque(i, t, t, t, t, t);
            ecfChequeKolvex300(i, t, t, t, t, t, t, t);
            ecfCargaTabAliq(i, t);
            ecfCargaAliqSelect(t, t, t);
            ecfPrgCod(i);
            ecfLeitMemFisc(i, t, t, i, i, t);
            ecfInicCNFVinculado(t, t, t);
            ecfCabLoja(t, t, t, i, i, t, t);
            ecfAcertaData(i, i, i, i, i, i);
            for (const char* r : {ecfStatusAliquotas(i), ecfStatusPayTypes(i), ecfStatusDocsNFs(i),
                                  ecfStatusUser(i), ecfStatusVincs(i), ecfStatusCupom(&one)})
                ASSERT_NE(r, nullptr);
            ecfCancVenda("OP");
        }
    }
    ASSERT_EQ(ChangePort(0), 0);
    std::vector<std::string> problems = tool().consistencyProblems();
    EXPECT_TRUE(problems.empty()) << problems.front();
    int sc = stateNow();
    EXPECT_TRUE(sc == 0 || sc == 100) << sc;
}
