// Amounts, rounding, number words, the code page and dates.
#include <gtest/gtest.h>

#include "core/clock.h"
#include "core/cp850.h"
#include "core/money.h"

using namespace fiscemu;

TEST(Money, FormatsAmountsWithThousandsAndDecimalComma) {
    struct Case {
        Cents cents;
        const char* text;
    } cases[] = {{0, "0,00"},
                 {5, "0,05"},
                 {100, "1,00"},
                 {123456, "1.234,56"},
                 {100000000, "1.000.000,00"},
                 {-250, "-2,50"},
                 {99999999999999999LL, "999.999.999.999.999,99"}};
    for (const Case& c : cases)
        EXPECT_EQ(formatAmount(c.cents), c.text) << c.cents;
}

TEST(Money, DivisionRoundsHalfToEven) {
    struct Case {
        int64_t n, d, q;
    } cases[] = {{15, 10, 2}, {25, 10, 2}, {35, 10, 4},     {14, 10, 1},     {16, 10, 2},
                 {0, 7, 0},   {5, 10, 0},  {1500, 1000, 2}, {2500, 1000, 2}, {2501, 1000, 3}};
    for (const Case& c : cases)
        EXPECT_EQ(divRoundHalfEven(c.n, c.d), c.q) << c.n << "/" << c.d;
}

TEST(Money, ParsesOnlyDigitTextsWithinTheirWidth) {
    EXPECT_EQ(parseDigits("0012", 4), 12);
    EXPECT_EQ(parseDigits("9", 1), 9);
    for (const char* bad : {"", "12a", " 12", "1,0", "-5", "12345"})
        EXPECT_FALSE(parseDigits(bad, 4)) << bad;
}

TEST(Money, RatesAndPadding) {
    EXPECT_EQ(formatRate(1700), "17,00");
    EXPECT_EQ(formatRate(5), "00,05");
    EXPECT_EQ(zeroPad(42, 6), "000042");
    EXPECT_EQ(zeroPad(1234567, 4), "4567");
    EXPECT_EQ(fit("abc", 5), "abc  ");
    EXPECT_EQ(fit("abcdef", 4), "abcd");
    EXPECT_EQ(padLeft("1,00", 6), "  1,00");
}

TEST(Money, AmountsInPortugueseWords) {
    struct Case {
        Cents cents;
        const char* words;
    } cases[] = {
        {100, "UM REAL"},
        {200, "DOIS REAIS"},
        {1, "UM CENTAVO"},
        {101, "UM REAL E UM CENTAVO"},
        {10000, "CEM REAIS"},
        {10100, "CENTO E UM REAIS"},
        {123456, "MIL DUZENTOS E TRINTA E QUATRO REAIS E CINQUENTA E SEIS CENTAVOS"},
        {120000, "MIL E DUZENTOS REAIS"},
        {300000, "TRÊS MIL REAIS"},
        {100000000, "UM MILHÃO DE REAIS"},
        {200000150, "DOIS MILHÕES E UM REAIS E CINQUENTA CENTAVOS"},
        {1392500, "TREZE MIL NOVECENTOS E VINTE E CINCO REAIS"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(amountInWords(c.cents, "REAL", "REAIS"), c.words) << c.cents;
}

TEST(CodePage, PrinterBytesOfPortugueseLetters) {
    EXPECT_EQ(utf8ToCp850("ç"), "\x87");
    EXPECT_EQ(utf8ToCp850("ã"), "\xC6");
    EXPECT_EQ(utf8ToCp850("ó"), "\xA2");
    EXPECT_EQ(utf8ToCp850("ê"), "\x88");
    EXPECT_EQ(utf8ToCp850("TRÊS MILHÕES"),
              "TR\xD2S MILH\xE5"
              "ES");
    EXPECT_EQ(utf8ToCp850("€"), "?");
}

TEST(CodePage, OneQuestionMarkForEachCharacterThePrinterLacks) {
    EXPECT_EQ(utf8ToCp850("a😀b中文c"), "a?b??c");
    // Bytes that are no UTF-8 at all, a truncated sequence at the end included.
    EXPECT_EQ(utf8ToCp850("\xFF z\xC3"), "? z?");
    EXPECT_EQ(utf8ToCp850(""), "");
}

TEST(CodePage, EveryHighByteSurvivesTheRoundTrip) {
    for (int b = 0x80; b <= 0xFF; ++b) {
        std::string one(1, static_cast<char>(b));
        EXPECT_EQ(utf8ToCp850(cp850ToUtf8(one)), one) << b;
    }
    EXPECT_EQ(cp850ToUtf8("or\x87"
                          "amentos, carn\x88s"),
              "orçamentos, carnês");
    EXPECT_EQ(cp850ToUtf8("\x1E\x1F"), "▲▼");
}

// The program's code page: every byte it defines comes back from the
// display text; the five it leaves undefined show as '?'.
TEST(CodePage, WindowsLatinShowsTheProgramsCharacters) {
    EXPECT_EQ(windowsLatinToUtf8("Caf\xE9 \x80 \x93ok\x94 \x96 PAP\xC3O"), "Café € “ok” – PAPÃO");
    EXPECT_EQ(utf8ToWindowsLatin("TRÊS MILHÕES de março"),
              "TR\xCAS MILH\xD5"
              "ES de mar\xE7o");
    EXPECT_EQ(utf8ToWindowsLatin("a😀b"), "a?b");
    EXPECT_EQ(windowsLatinToUtf8("\x1E\x1F\x7F"), "▲▼⌂");
    int undefined = 0;
    for (int b = 0x80; b <= 0xFF; ++b) {
        std::string one(1, static_cast<char>(b));
        if (windowsLatinToUtf8(one) == "?")
            ++undefined;
        else
            EXPECT_EQ(utf8ToWindowsLatin(windowsLatinToUtf8(one)), one) << b;
    }
    EXPECT_EQ(undefined, 5);  // 0x81, 0x8D, 0x8F, 0x90, 0x9D
}

TEST(Clock, ParsesPrinterDates) {
    EXPECT_EQ(parseDate("101098"), 19981010);
    EXPECT_EQ(parseDate("070326"), 20260307);
    EXPECT_EQ(parseDate("07032026"), 20260307);
    EXPECT_EQ(parseDate("290224"), 20240229);
    for (const char* bad : {"290223", "320126", "001226", "0703", "07/03/26", "ab0326"})
        EXPECT_EQ(parseDate(bad), 0) << bad;
}

TEST(Clock, FormatsAndConvertsLocalTime) {
    DateTime dt;
    dt.year = 2026;
    dt.month = 3;
    dt.day = 7;
    dt.hour = 9;
    dt.minute = 5;
    dt.second = 1;
    int64_t e = epochFromLocal(dt);
    DateTime back = localFromEpoch(e);
    EXPECT_EQ(back.ymd(), 20260307);
    EXPECT_EQ(formatDateShort(back), "07/03/26");
    EXPECT_EQ(formatTimeCompact(back), "090501");
    EXPECT_EQ(formatYmdShort(20261231), "31/12/26");
}
