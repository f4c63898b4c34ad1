// Operator text becomes the printer's Windows Latin bytes, and back.
#include "driver/codepage.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>
#include <QStringDecoder>
#include <QStringEncoder>

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

TEST(CodePage, CharactersOutsideTheCodePageAreRefusedNotReplaced) {
    for (const QString& text :
         {QStringLiteral("a\u4E2Db"), QStringLiteral("\u0141"),
          QStringLiteral("Caf\u00E9 \U0001F600"), QStringLiteral("q\u0301")}) {
        EXPECT_FALSE(isDriverText(text)) << text.toStdString();
        EXPECT_THROW(toDriverText(text), DriverTextError) << text.toStdString();
    }
    try {
        toDriverText(QStringLiteral("a\u4E2D"));
        ADD_FAILURE() << "no error";
    } catch (const DriverTextError& error) {
        EXPECT_EQ(error.message(), QStringLiteral("O texto \"a\u4E2D\" tem caracteres que a "
                                                  "impressora não tem; nada foi enviado à "
                                                  "impressora."));
    }
}

TEST(CodePage, DecomposedLettersAreSentComposed) {
    EXPECT_TRUE(isDriverText(QStringLiteral("Cafe\u0301")));
    EXPECT_EQ(toDriverText(QStringLiteral("Cafe\u0301 n\u0303")), QByteArray("Caf\xE9 \xF1"));
    EXPECT_EQ(composedText(QStringLiteral("a\u0300")), QStringLiteral("\u00E0"));
}

TEST(CodePage, AZeroCharacterIsNeverSent) {
    const QString withZero = QStringLiteral("ab") + QChar(u'\0') + QStringLiteral("c");
    EXPECT_FALSE(isDriverText(withZero));
    EXPECT_THROW(toDriverText(withZero), DriverTextError);
    EXPECT_THROW(checkDriverBytes(QByteArray("ab\0c", 4)), DriverTextError);
    EXPECT_NO_THROW(checkDriverBytes(QByteArray("abc")));
    EXPECT_NO_THROW(checkDriverBytes(QByteArray()));
}

TEST(CodePage, TheUnassignedBytesStayTheirControls) {
    // 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no letter: they travel as the C1
    // controls of the same value, both ways.
    for (unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        const QByteArray byte(1, static_cast<char>(b));
        EXPECT_EQ(fromDriverText(byte), QString(QChar(b)));
        EXPECT_EQ(toDriverText(QString(QChar(b))), byte);
    }
}

TEST(CodePage, AgreesWithQtsOwnConverterOnEveryByteAndCharacter) {
    // Qt's converter (ICU on Debian) is what the program used before; the
    // bytes read from the system must stay exactly its bytes.
    for (int b = 0; b < 256; ++b) {
        const QByteArray byte(1, static_cast<char>(b));
        QStringDecoder decoder("windows-1252");
        ASSERT_EQ(fromDriverText(byte), decoder.decode(byte)) << "byte " << b;
    }
    for (char32_t c = 1; c < 0x10000; ++c) {
        if (c >= 0xD800 && c < 0xE000) {
            continue;  // no character on its own
        }
        // Both sides compose first (U+212B, the angstrom sign, is sent as Å).
        const QString character(QChar(static_cast<char16_t>(c)));
        QStringEncoder encoder("windows-1252");
        const QByteArray expected = encoder.encode(composedText(character));
        ASSERT_EQ(isDriverText(character), !encoder.hasError())
            << "U+" << std::hex << static_cast<unsigned>(c);
        if (!encoder.hasError()) {
            ASSERT_EQ(toDriverText(character), expected)
                << "U+" << std::hex << static_cast<unsigned>(c);
        }
    }
}
