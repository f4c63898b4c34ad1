// The toolkit's number conversion and its messages.
#include "toolkit/convert.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>

TEST(StrToInt, ReadsDecimalIntegers) {
    EXPECT_EQ(StrToInt("0"), 0);
    EXPECT_EQ(StrToInt("001"), 1);
    EXPECT_EQ(StrToInt("-42"), -42);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_EQ(StrToInt("  12"), 12);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
}

TEST(StrToInt, RefusesWhatIsNotAnIntegerWithTheToolkitMessage) {
    for (const char* text : {"", " ", "abc", "12a", "1,5", "1.5", "12 ", "-", "2147483648",
                             "-2147483649", "99999999999999999999"}) {
        try {
            StrToInt(QString::fromUtf8(text));
            ADD_FAILURE() << "accepted " << text;
        } catch (const ConvertError& error) {
            EXPECT_EQ(error.message(),
                      QStringLiteral("'%1' is not a valid integer value").arg(text));
        }
    }
}

TEST(StrToFloat, ReadsTheDecimalComma) {
    EXPECT_EQ(StrToFloat("100"), 100.0L);
    EXPECT_EQ(StrToFloat("2,5"), 2.5L);
    EXPECT_EQ(StrToFloat(" -0,25 "), -0.25L);
    EXPECT_EQ(StrToFloat("1E3"), 1000.0L);
    EXPECT_EQ(StrToFloat("+3"), 3.0L);
}

TEST(StrToFloat, RefusesWhatIsNotANumber) {
    for (const char* text : {"", "abc", "1.5", "1,2,3", "1e", "--1", "1.000,00", ",", "1 2"}) {
        try {
            StrToFloat(QString::fromUtf8(text));
            ADD_FAILURE() << "accepted " << text;
        } catch (const ConvertError& error) {
            EXPECT_EQ(error.message(),
                      QStringLiteral("'%1' is not a valid floating point value").arg(text));
        }
    }
}

TEST(FloatToStr, KeepsValuesBeyondTheRangeOfADouble) {
    EXPECT_EQ(FloatToStr(StrToFloat("4E-777")), "4E-777");
    EXPECT_EQ(FloatToStr(StrToFloat("-2,5e-400")), "-2,5E-400");
    EXPECT_EQ(FloatToStr(StrToFloat("1,5E400")), "1,5E+400");
    EXPECT_EQ(FloatToStr(StrToFloat("1,5E300")), "1,5E+300");
    EXPECT_EQ(FloatToStr(0.0L), "0");
}

TEST(FloatToStr, GeneralFormWithCommaOnlyForFractions) {
    EXPECT_EQ(FloatToStr(500.0L), "500");
    EXPECT_EQ(FloatToStr(1200.0L), "1200");
    EXPECT_EQ(FloatToStr(50.0L), "50");
    EXPECT_EQ(FloatToStr(234.5L), "234,5");
    EXPECT_EQ(FloatToStr(StrToFloat("2,345") * 100), "234,5");
    EXPECT_EQ(FloatToStr(StrToFloat("5,00") * 100), "500");
}
