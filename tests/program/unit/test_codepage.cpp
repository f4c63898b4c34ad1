// Operator text becomes the printer's Windows Latin bytes, and back.
#include "driver/codepage.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>

TEST(CodePage, PortugueseLettersAreSingleLatinBytes) {
    EXPECT_EQ(toDriverText(QStringLiteral("Você ação")), QByteArray("Voc\xEA a\xE7\xE3o"));
    EXPECT_EQ(fromDriverText(QByteArray("Voc\xEA a\xE7\xE3o")), QStringLiteral("Você ação"));
}

TEST(CodePage, TheWindowsRangeRoundTrips) {
    QByteArray all;
    for (int b = 1; b < 256; ++b) {
        all.append(static_cast<char>(b));
    }
    EXPECT_EQ(toDriverText(fromDriverText(all)), all);
    EXPECT_EQ(toDriverText(QStringLiteral("€ “x” –")), QByteArray("\x80 \x93x\x94 \x96"));
}

TEST(CodePage, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(toDriverText(QStringLiteral("a\u4E2Db\u0141")), QByteArray("a?b?"));
}
