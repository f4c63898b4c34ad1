// Decoding of status replies: the field slicer, the failure test and the
// state-code table.
#include "driver/reply.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>

TEST(SliceField, CutsOneBasedPositions) {
    const QByteArray reply = "01065011";
    EXPECT_EQ(sliceField(reply, 1, 2), "01");
    EXPECT_EQ(sliceField(reply, PrinterStatusFields::StateCode), "065");
    EXPECT_EQ(sliceField(reply, PrinterStatusFields::DrawerSensor), "1");
}

TEST(SliceField, FieldRunningPastTheEndComesOutShortOrEmpty) {
    const QByteArray reply = "0001100012313450007122026";  // 25 characters
    EXPECT_EQ(sliceField(reply, CouponStatusFields::Date), "07122026");
    EXPECT_EQ(sliceField(reply, 24, 5), "26");
    EXPECT_EQ(sliceField(reply, CouponStatusFields::Subtotal), "");
    EXPECT_EQ(sliceField(reply, CouponStatusFields::GrandTotal), "");
}

TEST(SliceField, NullReplyIsEmptyText) {
    EXPECT_EQ(sliceField(QByteArray(), 1, 2), "");
    EXPECT_FALSE(isFailureReply(QByteArray()));
}

TEST(SliceField, NothingIsReadPastTheTerminatingZero) {
    // The production driver copies up to the zero; the decoder sees only that.
    const char raw[] =
        "01\0"
        "065011";
    const QByteArray reply(raw);
    EXPECT_EQ(reply.size(), 2);
    EXPECT_EQ(sliceField(reply, PrinterStatusFields::StateCode), "");
}

TEST(SliceField, BytesAreDecodedFromTheWindowsLatinCodePage) {
    EXPECT_EQ(sliceField(QByteArray("S\xC3O PAULO \x80"), 1, 11), QStringLiteral("SÃO PAULO €"));
}

TEST(FailureReply, ErroAnywhereExactCase) {
    EXPECT_TRUE(isFailureReply("Erro: 079 sem resposta"));
    EXPECT_TRUE(isFailureReply("xxErro: 079"));
    EXPECT_FALSE(isFailureReply("ERRO: 079"));
    EXPECT_FALSE(isFailureReply("erro: 079"));
    EXPECT_FALSE(isFailureReply("01000011"));
}

TEST(FailureReply, ErrorNumberIsCharactersSevenToNineAsTheyStand) {
    EXPECT_EQ(replyErrorNumber("Erro: 079 impressora desligada"), "079");
    EXPECT_EQ(replyErrorNumber("Erro: 1"), "1");
    EXPECT_EQ(replyErrorNumber("Erro"), "");
    EXPECT_EQ(replyErrorNumber("ab Erro: 123"), "o: ");
}

struct StateRow {
    int code;
    const char* panel;
    const char* statusWindow;
};

class StateTable : public ::testing::TestWithParam<StateRow> {};

TEST_P(StateTable, BothColumnsOfWords) {
    const StateRow row = GetParam();
    EXPECT_EQ(printerStateWords(row.code, StateWords::InformationPanel),
              QString::fromUtf8(row.panel));
    EXPECT_EQ(printerStateWords(row.code, StateWords::StatusWindow),
              QString::fromUtf8(row.statusWindow));
}

INSTANTIATE_TEST_SUITE_P(
    EveryCode, StateTable,
    ::testing::Values(StateRow{0, "livre", "livre"}, StateRow{65, "em venda", "em venda"},
                      StateRow{90, "com cupom aberto", "cupom aberto"},
                      StateRow{99, "em intervenção técnica", "em intervenção técnica"},
                      StateRow{100, "em período de venda", "em período de venda"},
                      StateRow{113, "esperando fechamento", "esperando fechamento"},
                      StateRow{115, "com o fechamento do dia já feito",
                               "fechamento do dia já feito"},
                      StateRow{122, "em relatório", "relatório"},
                      StateRow{123, "em pagamento", "em pagamento"},
                      StateRow{124, "em linha comercial", "em linha comercial"}),
    [](const auto& info) { return "code" + std::to_string(info.param.code); });

TEST(StateTable, CodesOutsideTheTableHaveNoWords) {
    for (int code : {1, 50, 101, 114, 125, -1, 999}) {
        EXPECT_FALSE(printerStateWords(code, StateWords::InformationPanel)) << code;
        EXPECT_FALSE(printerStateWords(code, StateWords::StatusWindow)) << code;
    }
}
