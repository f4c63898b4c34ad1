// The formatted item sale window: the item line and item total built from
// the fields, the tax index as shown, conversion errors that send nothing,
// the result and the closing.
#include "meu_pr/meu_pr.h"
#include "support/app_fixture.h"
#include "toolkit/tform.h"

#include <QComboBox>
#include <QLineEdit>
#include <ostream>

namespace {

const QString kSaleKindQuestion =
    QStringLiteral("A impressora realiza venda de produto formatada?");
const QString kDefaultCode = QStringLiteral("1234567890123 ");
const QString kDefaultDescription =
    QStringLiteral("Campo para descrever o item       ");  // filled to 34

QString sale(const QString& line, const QString& total, int taxIndex) {
    return QStringLiteral("ecfVendaItem78(\"%1\", \"%2\", %3)").arg(line, total).arg(taxIndex);
}

}  // namespace

class FormattedSaleWindow : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
    }

    // Insert on the idle printer, the item line being formatted here.
    void openThroughMenu() {
        dialogs.answer(DialogAnswer::No);
        trigger("Cupomfiscal2");
        ASSERT_EQ(activeForm(), form("s_venda"));
        log.clear();
        dialogs.clear();
    }

    QComboBox* taxList() const { return control<QComboBox>("s_venda", "ComboBox1"); }
};

TEST_F(FormattedSaleWindow, MenuAnsweredNaoShowsItWithTheDefaults) {
    dialogs.answer(DialogAnswer::No);
    trigger("Cupomfiscal2");
    EXPECT_EQ(log.events(), (QStringList{"ecfImpCab(0)", "confirmation: " + kSaleKindQuestion}));
    EXPECT_EQ(SaleWindowKind, SaleWindow::Formatted);
    EXPECT_TRUE(form("s_venda")->isVisible());
    EXPECT_EQ(activeForm(), form("s_venda"));

    log.clear();
    click("s_venda", "BitBtn1");
    EXPECT_EQ(
        log.events(),
        (QStringList{sale(kDefaultCode + kDefaultDescription + "100,100 x    1,00", "10010", -1),
                     "ecfStatusImp()"}));
    EXPECT_FALSE(form("s_venda")->isVisible());

    // The answer is kept: the next Insert shows the window at once.
    log.clear();
    trigger("Cupomfiscal2");
    EXPECT_EQ(log.events(), QStringList{"ecfImpCab(0)"});
    EXPECT_EQ(activeForm(), form("s_venda"));
}

struct ItemRow {
    const char* name;
    const char* code;
    const char* description;
    const char* quantity;
    const char* thousandths;
    const char* price;
    const char* line;
    const char* total;
    friend void PrintTo(const ItemRow& row, std::ostream* out) { *out << row.name; }
};

class EachItem : public FormattedSaleWindow, public ::testing::WithParamInterface<ItemRow> {};

TEST_P(EachItem, LineAndTotalAreBuiltFromTheFields) {
    const ItemRow row = GetParam();
    openThroughMenu();
    setText("s_venda", "Edit4", QString::fromUtf8(row.code));
    setText("s_venda", "Edit1", QString::fromUtf8(row.description));
    setText("s_venda", "Edit2", QString::fromUtf8(row.quantity));
    setText("s_venda", "Edit3", QString::fromUtf8(row.thousandths));
    setText("s_venda", "Edit5", QString::fromUtf8(row.price));
    click("s_venda", "BitBtn1");
    const QString line = QString::fromUtf8(row.line);
    EXPECT_EQ(driver.callsOf("ecfVendaItem78"),
              QStringList{sale(line, QString::fromUtf8(row.total), -1)});
    EXPECT_EQ(line.indexOf(QString::fromUtf8(row.description)), 14);
}

// Descriptions here are 10 characters, filled with 24 spaces.
#define PAD24 "                        "

INSTANTIATE_TEST_SUITE_P(
    Items, EachItem,
    ::testing::Values(ItemRow{"TwoAndAHalfAtTwoFifty", "1234567890123", "Arroz 5 kg", "2", "500",
                              "250", "1234567890123 Arroz 5 kg" PAD24 "2,500 x    2,50", "625"},
                      ItemRow{"ShortCodeIsFilledToThirteen", "123", "Arroz 5 kg", "1", "0", "1234",
                              "123           Arroz 5 kg" PAD24 "1,0 x    12,34", "1234"},
                      ItemRow{"QuantityPartsLoseLeadingZeros", "1", "Arroz 5 kg", "001", "005",
                              "1000", "1             Arroz 5 kg" PAD24 "1,5 x    10,00", "1005"},
                      ItemRow{"PriceOfTwoDigits", "1", "Arroz 5 kg", "3", "0", "50",
                              "1             Arroz 5 kg" PAD24 "3,0 x    ,50", "150"},
                      ItemRow{"PriceOfOneDigit", "1", "Arroz 5 kg", "3", "0", "5",
                              "1             Arroz 5 kg" PAD24 "3,0 x    ,5", "15"},
                      ItemRow{"EmptyQuantityCountsAsZero", "1", "Arroz 5 kg", "", "", "100",
                              "1             Arroz 5 kg" PAD24 "0,0 x    1,00", "0"},
                      ItemRow{"ThousandthsOnly", "1", "Arroz 5 kg", "", "250", "400",
                              "1             Arroz 5 kg" PAD24 "0,250 x    4,00", "100"},
                      ItemRow{"FullWidthDescriptionIsNotCut", "1",
                              "Descrição de trinta e quatro letra", "1", "0", "100",
                              "1             Descrição de trinta e quatro letra1,0 x    1,00",
                              "100"},
                      ItemRow{"BlanksBeforeTheNumbersAreAccepted", "1", "Arroz 5 kg", " 2", " 10",
                              " 100", "1             Arroz 5 kg" PAD24 "2,10 x     1,00", "201"}),
    [](const auto& info) { return std::string(info.param.name); });

#undef PAD24

struct TotalRow {
    const char* name;
    const char* quantity;
    const char* thousandths;
    const char* price;
    const char* total;
    friend void PrintTo(const TotalRow& row, std::ostream* out) { *out << row.name; }
};

class EachTotal : public FormattedSaleWindow, public ::testing::WithParamInterface<TotalRow> {};

TEST_P(EachTotal, TotalIsRoundedInExtendedPrecisionHalvesToEven) {
    const TotalRow row = GetParam();
    openThroughMenu();
    setText("s_venda", "Edit2", QString::fromUtf8(row.quantity));
    setText("s_venda", "Edit3", QString::fromUtf8(row.thousandths));
    setText("s_venda", "Edit5", QString::fromUtf8(row.price));
    click("s_venda", "BitBtn1");
    const QStringList calls = driver.callsOf("ecfVendaItem78");
    ASSERT_EQ(calls.size(), 1);
    EXPECT_TRUE(calls.first().endsWith(QStringLiteral("\", \"%1\", -1)").arg(row.total)))
        << calls.first().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Totals, EachTotal,
                         ::testing::Values(
                             // Exact halves go to the even neighbour.
                             TotalRow{"HalfDownToEven", "0", "1", "12500", "12"},  // 12,5
                             TotalRow{"HalfUpToEven", "0", "3", "12500", "38"},    // 37,5
                             TotalRow{"DefaultQuantityAtFiveCents", "100", "100", "5",
                                      "500"},                                         // 500,5
                             TotalRow{"HalfOfFourCentsLots", "2", "625", "4", "10"},  // 10,5
                             TotalRow{"ThreeAndAHalf", "3", "500", "1", "4"},         // 3,5
                             // Near-halves fall where extended precision puts them (in double
                             // these come out on the other side).
                             TotalRow{"JustBelowAHalf", "3", "750", "2", "7"},
                             TotalRow{"JustAboveAHalf", "3", "450", "10", "35"},
                             TotalRow{"ExactProduct", "12", "0", "199", "2388"},
                             TotalRow{"NegativePrice", "1", "0", "-250", "-250"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FormattedSaleWindow, TaxIndexIsTheEntryShown) {
    openThroughMenu();
    EXPECT_EQ(taxList()->currentIndex(), -1);
    EXPECT_EQ(taxList()->currentText(), "ComboBox1");
    ASSERT_EQ(taxList()->count(), 17);
    EXPECT_EQ(taxList()->itemText(10), "Sangria (não fiscal)");
    EXPECT_EQ(taxList()->itemText(13), "Isento");
    EXPECT_EQ(taxList()->itemText(16), "Recebimentos diversos (não fiscal)");

    const auto saleWithTax = [this](int expected) {
        driver.clearCalls();
        click("s_venda", "BitBtn1");
        ASSERT_EQ(driver.callsOf("ecfVendaItem78").size(), 1);
        EXPECT_TRUE(driver.callsOf("ecfVendaItem78")
                        .first()
                        .endsWith(QStringLiteral(", %1)").arg(expected)))
            << driver.callsOf("ecfVendaItem78").first().toStdString();
        trigger("Cupomfiscal2");
    };
    taxList()->setCurrentIndex(13);
    saleWithTax(13);
    // The choice stays with the window.
    EXPECT_EQ(taxList()->currentText(), "Isento");
    saleWithTax(13);
    // Typing over the choice: the typed text decides.
    taxList()->setEditText("Serviços");
    saleWithTax(15);
    taxList()->setEditText("Alíquota 99");
    saleWithTax(-1);
}

TEST_F(FormattedSaleWindow, RefusedSaleShowsTheResultAndClosesKeepingTheFields) {
    openThroughMenu();
    setText("s_venda", "Edit1", "Feijão");
    driver.setResult("ecfVendaItem78", 14);
    dialogs.acknowledge();
    click("s_venda", "BitBtn1");
    EXPECT_EQ(log.events(),
              (QStringList{sale(kDefaultCode + "Feijão" + QString(28, ' ') + "100,100 x    1,00",
                                "10010", -1),
                           "message: Ocorreu o seguinte erro: 14", "ecfStatusImp()"}));
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes().first().caption, "WIN_ECF");
    EXPECT_FALSE(form("s_venda")->isVisible());
    EXPECT_EQ(activeForm(), form("frmMain"));
    EXPECT_EQ(control<QLineEdit>("s_venda", "Edit1")->text(), "Feijão");
}

struct BadFieldRow {
    const char* name;
    const char* edit;
    const char* text;
    const char* message;
    friend void PrintTo(const BadFieldRow& row, std::ostream* out) { *out << row.name; }
};

class EachBadField : public FormattedSaleWindow,
                     public ::testing::WithParamInterface<BadFieldRow> {};

TEST_P(EachBadField, ConversionErrorSendsNothingAndKeepsTheWindowOpen) {
    const BadFieldRow row = GetParam();
    openThroughMenu();
    setText("s_venda", row.edit, QString::fromUtf8(row.text));
    dialogs.acknowledge();
    click("s_venda", "BitBtn1");
    EXPECT_EQ(log.events(), QStringList{"exception: " + QString::fromUtf8(row.message)});
    EXPECT_TRUE(form("s_venda")->isVisible());
    EXPECT_EQ(activeForm(), form("s_venda"));
}

INSTANTIATE_TEST_SUITE_P(
    BadFields, EachBadField,
    ::testing::Values(
        BadFieldRow{"PriceWithLetters", "Edit5", "12a",
                    "'12a' is not a valid floating point value"},
        BadFieldRow{"EmptyPrice", "Edit5", "", "'' is not a valid floating point value"},
        BadFieldRow{"PriceWithAPoint", "Edit5", "2.50",
                    "'2.50' is not a valid floating point value"},
        BadFieldRow{"QuantityWithAComma", "Edit2", "1,5", "'1,5' is not a valid integer value"},
        BadFieldRow{"BlankQuantity", "Edit2", " ", "' ' is not a valid integer value"},
        BadFieldRow{"ThousandthsWithLetters", "Edit3", "x5", "'x5' is not a valid integer value"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FormattedSaleWindow, EnterPressesOk) {
    openThroughMenu();
    pressEnter("s_venda");
    EXPECT_EQ(driver.callsOf("ecfVendaItem78").size(), 1);
    EXPECT_FALSE(form("s_venda")->isVisible());
}

TEST_F(FormattedSaleWindow, CancelaSendsNothing) {
    openThroughMenu();
    click("s_venda", "BitBtn2");
    EXPECT_EQ(log.events(), QStringList{"ecfStatusImp()"});
    EXPECT_FALSE(form("s_venda")->isVisible());
}

TEST_F(FormattedSaleWindow, LayoutLimitsTabOrderAndBorder) {
    TForm* window = form("s_venda");
    EXPECT_EQ(window->windowTitle(), "Venda formatada de item");
    EXPECT_EQ(window->border(), TForm::Border::SingleNoIcons);
    EXPECT_EQ(window->defaultButton(), control<QAbstractButton>("s_venda", "BitBtn1"));
    EXPECT_TRUE(taxList()->isEditable());
    EXPECT_EQ(taxList()->insertPolicy(), QComboBox::NoInsert);

    const QList<QPair<const char*, int>> limits = {
        {"Edit1", 34}, {"Edit2", 3}, {"Edit3", 3}, {"Edit4", 13}, {"Edit5", 32767}};
    for (const auto& [name, limit] : limits) {
        EXPECT_EQ(control<QLineEdit>("s_venda", name)->maxLength(), limit) << name;
    }
    // A code longer than the field cannot be typed.
    setText("s_venda", "Edit4", "12345678901234567");
    EXPECT_EQ(control<QLineEdit>("s_venda", "Edit4")->text(), "1234567890123");

    const QStringList order{"Edit5", "ComboBox1", "Edit1",   "Edit2",
                            "Edit3", "Edit4",     "BitBtn1", "BitBtn2"};
    QStringList chain;
    QWidget* start = control("s_venda", "Edit5");
    QWidget* widget = start;
    do {
        if (order.contains(widget->objectName()) && !chain.contains(widget->objectName())) {
            chain.append(widget->objectName());
        }
        widget = widget->nextInFocusChain();
    } while (widget && widget != start);
    EXPECT_EQ(chain, order);
}
