// Every status reply in its layout and length, and the failure replies.
#include "driver_support.h"

using namespace emutest;

namespace {
class Replies : public DriverTest {};
}  // namespace

TEST_F(Replies, EveryReplyHasItsFixedLength) {
    int32_t one = 1;
    struct Case {
        const char* name;
        const char* (*call)();
        size_t length;
    } cases[] = {
        {"ecfStatusImp", [] { return ecfStatusImp(); }, 8},
        {"ecfStatusCupom",
         [] {
             int32_t n = 1;
             return ecfStatusCupom(&n);
         },
         67},
        {"ecfStatusAliquotas", [] { return ecfStatusAliquotas(0); }, 37},
        {"ecfStatusAliquotas 19", [] { return ecfStatusAliquotas(19); }, 37},
        {"ecfStatusPayTypes", [] { return ecfStatusPayTypes(0); }, 44},
        {"ecfStatusPayTypes 20", [] { return ecfStatusPayTypes(20); }, 44},
        {"ecfStatusDocsNFs", [] { return ecfStatusDocsNFs(0); }, 113},
        {"ecfStatusEquipo", [] { return ecfStatusEquipo(); }, 38},
        {"ecfStatusUser", [] { return ecfStatusUser(1); }, 256},
        {"ecfStatusTroco", [] { return ecfStatusTroco(); }, 42},
        {"ecfStatusVincs", [] { return ecfStatusVincs(0); }, 57},
        {"ecfLeituraXSerial", [] { return ecfLeituraXSerial(); }, 744},
        {"ecfCGC_IE", [] { return ecfCGC_IE(); }, 33},
    };
    (void)one;
    // Lengths hold in an idle printer and in the middle of a coupon.
    for (int round = 0; round < 2; ++round) {
        for (const Case& c : cases) {
            std::string r = c.call();
            EXPECT_EQ(r.size(), c.length) << c.name << " round " << round << ": " << r;
            EXPECT_EQ(r.find("Erro"), std::string::npos) << c.name;
        }
        if (round == 0) {
            ASSERT_EQ(ecfImpCab(0), 0);
            ASSERT_EQ(ecfVendaItem("A", "99999999", 0), 0);
            ASSERT_EQ(ecfPagamento(0, "00", "99999999", 0), 0);
        }
    }
}

TEST_F(Replies, PrinterStatusFields) {
    std::string r = statusImp();
    EXPECT_EQ(r, "01000001");  // one user, idle, paper, slip present, drawer closed
    set([](fiscemu::Settings& s) { s.paper = fiscemu::kPaperOutLevel; });
    EXPECT_EQ(statusImp().substr(5, 1), "1");
    EXPECT_EQ(ecfImpCab(0), 21);
    EXPECT_EQ(ecfLineFeed(1, 1), 21);
    EXPECT_EQ(ecfLineFeed(1, 0), 0);  // the probe moves no paper
}

TEST_F(Replies, CouponStatusFields) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVendaItem("A", "123456789", 0), 0);
    std::string c = coupon();
    EXPECT_EQ(c.substr(0, 4), "0001");
    EXPECT_EQ(c.substr(4, 1), "1");
    EXPECT_EQ(c.substr(5, 6), "000001");
    EXPECT_EQ(c.substr(11, 6), "120000");  // the pinned clock
    EXPECT_EQ(c.substr(17, 8), "10/03/26");
    EXPECT_EQ(c.substr(25, 21), "         1.234.567,89");
    EXPECT_EQ(c.substr(46, 21), "         1.234.567,89");
}

TEST_F(Replies, TableRecords) {
    std::string a = ecfStatusAliquotas(4);
    EXPECT_EQ(a.substr(1, 1), "T");
    EXPECT_EQ(a.substr(2, 5), "17,00");
    std::string s = ecfStatusAliquotas(10);
    EXPECT_EQ(s.substr(1, 6), "S02,00");
    EXPECT_EQ(std::string(ecfStatusAliquotas(16)).substr(0, 2), "0 ");
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVendaItem("A", "10000", 4), 0);
    a = ecfStatusAliquotas(4);
    EXPECT_EQ(trimmed(a.substr(7, 16)), "100,00");
    EXPECT_EQ(trimmed(a.substr(23, 14)), "17,00");
    std::string p = ecfStatusPayTypes(0);
    EXPECT_EQ(p.substr(0, 23), "1SNDinheiro            ");
    EXPECT_EQ(std::string(ecfStatusPayTypes(5)).substr(1, 2), "NN");
    std::string n = ecfStatusDocsNFs(4);
    EXPECT_EQ(n.substr(1, 1), "S");
    EXPECT_EQ(n.substr(22, 7), "NNSNS02");
}

TEST_F(Replies, EquipmentUserAndRegistrations) {
    std::string e = ecfStatusEquipo();
    EXPECT_EQ(e.substr(0, 10), "VOLDRANE  ");
    EXPECT_EQ(e.substr(10, 15), "ECF-IF 3.01    ");
    EXPECT_EQ(e.substr(25, 4), "0301");
    std::string u = ecfStatusUser(1);
    EXPECT_EQ(u.substr(0, 40), "****** VOLDRANE ELETRONICA LTDA.  ******");
    EXPECT_EQ(u.substr(144, 8), "00010001");
    EXPECT_EQ(u.substr(152, 18), "012345678901234567");
    EXPECT_EQ(u.substr(170, 15), "728182-382     ");
    EXPECT_EQ(u.substr(185, 16), "012345678-901   ");
    EXPECT_EQ(u.substr(229, 5), "00001");
    EXPECT_EQ(trimmed(u.substr(234, 22)), "0,00");
    EXPECT_EQ(std::string(ecfCGC_IE()), "012345678901234567012345678-901  ");
    ASSERT_EQ(ecfProgHeader30("Nova Loja", "Rua 1", "", 7, 2, "98765432100011", "5551", "42"), 0);
    EXPECT_EQ(statusImp().substr(0, 2), "02");
    EXPECT_EQ(std::string(ecfStatusUser(2)).substr(144, 8), "00070002");
    EXPECT_EQ(coupon().substr(0, 4), "0002");
    for (int32_t bad : {0, -1, 3, 2147483647})
        EXPECT_EQ(std::string(ecfStatusUser(bad)).substr(0, 9), "Erro: 002") << bad;

    // A user's record keeps the grand total and time of its last Z; the
    // current user's shows the running grand total.
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVendaItem("A", "1000", 0), 0);
    ASSERT_EQ(ecfPagamento(0, "00", "1000", 0), 0);
    ASSERT_EQ(ecfFimTrans("OP"), 0);
    ASSERT_EQ(ecfReducaoZ("OP"), 0);
    ASSERT_TRUE(tool().nextDay());
    ASSERT_EQ(ecfProgHeader30("Terceira", "", "", 7, 3, "11222333000181", "5552", "43"), 0);
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVendaItem("A", "500", 0), 0);
    std::string second = ecfStatusUser(2);
    EXPECT_EQ(second.substr(215, 14), "10/03/26120000");  // its Z
    EXPECT_EQ(trimmed(second.substr(234, 22)), "10,00");
    EXPECT_EQ(trimmed(std::string(ecfStatusUser(3)).substr(234, 22)), "15,00");
    EXPECT_EQ(trimmed(std::string(ecfStatusUser(1)).substr(234, 22)), "0,00");
}

TEST_F(Replies, SerialXReadingFields) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVendaItem("A", "1000", 4), 0);
    ASSERT_EQ(ecfCancAcresDescSubTotal(0, 0, "d", "100"), 0);
    ASSERT_EQ(ecfPagamento(0, "00", "900", 0), 0);
    ASSERT_EQ(ecfFimTrans("OP"), 0);
    std::string x = ecfLeituraXSerial();
    ASSERT_EQ(x.size(), 744u);
    EXPECT_EQ(x.substr(0, 4), "0001");
    EXPECT_EQ(x.substr(22, 6), "000001");                        // last COO
    EXPECT_EQ(x.substr(55, 21), std::string(18, '0') + "100");   // discounts
    EXPECT_EQ(x.substr(97, 21), std::string(17, '0') + "1000");  // grand total
    size_t row4 = 172 + 41 * 4;
    EXPECT_EQ(x.substr(row4, 5), "01700");
    EXPECT_EQ(x.substr(row4 + 5, 18), std::string(15, '0') + "900");
    EXPECT_EQ(x.substr(row4 + 23, 18), std::string(15, '0') + "153");
    EXPECT_EQ(x.substr(726, 1 + 2), "000");
    EXPECT_EQ(x.substr(729, 1), ":");
}

TEST_F(Replies, FailureRepliesCarryTheirNumber) {
    struct Case {
        const char* name;
        const char* (*call)();
        const char* number;
    } cases[] = {
        {"aliquota 20", [] { return ecfStatusAliquotas(20); }, "002"},
        {"aliquota -1", [] { return ecfStatusAliquotas(-1); }, "002"},
        {"paytype 21", [] { return ecfStatusPayTypes(21); }, "002"},
        {"docs 99", [] { return ecfStatusDocsNFs(99); }, "002"},
        {"cupom null", [] { return ecfStatusCupom(nullptr); }, "002"},
        {"cupom 7",
         [] {
             int32_t n = 7;
             return ecfStatusCupom(&n);
         },
         "002"},
    };
    for (const Case& c : cases) {
        std::string r = c.call();
        EXPECT_EQ(r.substr(0, 6), "Erro: ") << c.name;
        EXPECT_EQ(r.substr(6, 3), c.number) << c.name;
        EXPECT_GT(r.size(), 10u) << c.name;
    }
    set([](fiscemu::Settings& s) { s.power = false; });
    for (const char* r : {ecfStatusImp(), ecfStatusEquipo(), ecfLeituraXSerial()})
        EXPECT_EQ(std::string(r).substr(0, 9), "Erro: 079");
    EXPECT_EQ(ecfLineFeed(1, 0), 79);
}

TEST_F(Replies, ReplyTextStaysValidUntilTheNextCall) {
    const char* first = ecfStatusAliquotas(0);
    std::string copy = first;
    const char* other = ecfStatusPayTypes(0);
    EXPECT_EQ(std::string(first), copy);  // other functions keep their own text
    EXPECT_NE(std::string(other), copy);
}
