// The main window's peripheral commands: line feed, cash drawer, the
// authentication line and its 48-character limit, the fiscal memory
// reading, and the three colour commands sharing one colour dialog.
#include "support/app_fixture.h"
#include "toolkit/tform.h"
#include "toolkit/trichedit.h"

#include <QLineEdit>
#include <QMenuBar>

namespace {

const QString kMain = QStringLiteral("frmMain");
const QString kLimitQuestion = QStringLiteral(
    "confirmation: Sua linha possui um tamanho maior do que 48 caracteres. Haverá um truncamento "
    "se você prosseguir. Deseja prosseguir mesmo assim?");

// A coupon status reply whose subtotal field (characters 26 to 46) is the
// given 21 characters.
QByteArray couponStatusWithSubtotal(const QByteArray& field) {
    EXPECT_EQ(field.size(), 21);
    return QByteArray("0001") + "1" + "000123" + "134500" + "07122026" + field +
           QByteArray(16, ' ') + "10,00";
}

}  // namespace

class MainPeripherals : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
    }

    QLineEdit* line() const { return control<QLineEdit>(kMain, "Edit1"); }
    QAbstractButton* send() const { return control<QAbstractButton>(kMain, "Button3"); }
    TRichEdit* panel() const { return control<TRichEdit>(kMain, "RichEdit1"); }
    // The background of the window's client area, and of its menu bar.
    QColor windowColor() const {
        return form(kMain)->centralWidget()->palette().color(QPalette::Window);
    }
    QColor menuBarColor() const {
        return control<QMenuBar>(kMain, "MainMenu1")->palette().color(QPalette::Window);
    }
};

// Line feed and drawer -----------------------------------------------------

struct SimpleCommand {
    const char* menuItem;
    const char* call;
};

class EachSimpleCommand : public MainPeripherals,
                          public ::testing::WithParamInterface<SimpleCommand> {};

TEST_P(EachSimpleCommand, SuccessShowsNothing) {
    trigger(GetParam().menuItem);
    EXPECT_EQ(log.events(), QStringList{GetParam().call});
}

TEST_P(EachSimpleCommand, RefusalShowsRetornoAndTheNumber) {
    const QString call = GetParam().call;
    driver.setResult(call.left(call.indexOf('(')), 21);
    dialogs.acknowledge();
    trigger(GetParam().menuItem);
    EXPECT_EQ(log.events(), (QStringList{call, "message: Retorno: 21"}));
    EXPECT_EQ(dialogs.boxes().last().caption, "WIN_ECF");
}

INSTANTIATE_TEST_SUITE_P(Commands, EachSimpleCommand,
                         ::testing::Values(SimpleCommand{"Avanodelinha1", "ecfLineFeed(1, 5)"},
                                           SimpleCommand{"Aberturadagaveta1", "ecfAbreGaveta()"}),
                         [](const auto& info) { return std::string(info.param.menuItem); });

// Authentication ----------------------------------------------------------

TEST_F(MainPeripherals, LineAndButtonAreShownFromStartUpWithTheRuler) {
    EXPECT_TRUE(line()->isVisible());
    EXPECT_TRUE(send()->isVisible());
    EXPECT_EQ(line()->text(), "1234567890123456789012345678901234567890");
    EXPECT_EQ(send()->text(), "OK");
    EXPECT_EQ(form(kMain)->defaultButton(), control<QAbstractButton>(kMain, "Button1"));
}

TEST_F(MainPeripherals, AutenticacaoProposesTimeDateThreeBlanksAndTheSubtotalField) {
    const QByteArray subtotal = QByteArray(13, ' ') + "1.234,56";
    driver.setReply("ecfStatusCupom", couponStatusWithSubtotal(subtotal));
    // Hidden after an earlier authentication; the command shows them again.
    click(kMain, "Button3");
    log.clear();

    trigger("Autenticao1");
    EXPECT_EQ(log.events(), QStringList{"ecfStatusCupom(&1)"});
    EXPECT_TRUE(line()->isVisible());
    EXPECT_TRUE(send()->isVisible());
    EXPECT_EQ(form(kMain)->defaultButton(), send());
    // The fixture's clock: 7 March 2026, 14:05:09, regional formats of pt_BR.
    EXPECT_EQ(line()->text(), "14:05:0907/03/2026   " + QString::fromLatin1(subtotal));
    EXPECT_EQ(line()->text().size(), 42);
    EXPECT_EQ(line()->selectedText(), line()->text());
}

TEST_F(MainPeripherals, FailedCouponQueryKeepsTheLineWhichStillSends) {
    driver.setReply("ecfStatusCupom", "Erro: 079 Impressora nao responde");
    setText(kMain, "Edit1", "Documento 12");
    dialogs.acknowledge();
    trigger("Autenticao1");
    EXPECT_EQ(log.events(), (QStringList{"ecfStatusCupom(&1)",
                                         "message: A autenticação não pode ser efetuada."}));
    EXPECT_EQ(line()->text(), "Documento 12");
    EXPECT_TRUE(line()->isVisible());
    EXPECT_TRUE(send()->isVisible());

    log.clear();
    click(kMain, "Button3");
    EXPECT_EQ(log.events(), QStringList{"ecfAutentica(\"Documento 12\")"});
    EXPECT_FALSE(line()->isVisible());
    EXPECT_FALSE(send()->isVisible());
}

struct LineCase {
    const char* name;
    int length;
    std::optional<DialogAnswer> answer;  // to the limit question, when asked
    bool sent;
};

class EachLineLength : public MainPeripherals, public ::testing::WithParamInterface<LineCase> {};

TEST_P(EachLineLength, SendsUpToFortyEightAndAsksBeyondAndAlwaysHides) {
    const LineCase row = GetParam();
    QString text;
    for (int i = 0; i < row.length; ++i) {
        text += QChar(QLatin1Char('A' + i % 26));
    }
    setText(kMain, "Edit1", text);
    QStringList expected;
    if (row.answer) {
        dialogs.answer(*row.answer);
        expected.append(kLimitQuestion);
    }
    if (row.sent) {
        expected.append("ecfAutentica(\"" + text + "\")");  // whole, uncut
    }
    click(kMain, "Button3");
    EXPECT_EQ(log.events(), expected);
    EXPECT_FALSE(line()->isVisible());
    EXPECT_FALSE(send()->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Lengths, EachLineLength,
                         ::testing::Values(LineCase{"Empty", 0, std::nullopt, true},
                                           LineCase{"Exactly48", 48, std::nullopt, true},
                                           LineCase{"Of49Confirmed", 49, DialogAnswer::Yes, true},
                                           LineCase{"Of60Confirmed", 60, DialogAnswer::Yes, true},
                                           LineCase{"Of49Declined", 49, DialogAnswer::No, false},
                                           LineCase{"Of49QuestionClosed", 49, DialogAnswer::Closed,
                                                    false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainPeripherals, RefusedAuthenticationShowsRetornoAndHides) {
    driver.setResult("ecfAutentica", 22);
    dialogs.acknowledge();
    click(kMain, "Button3");
    EXPECT_EQ(log.events(),
              (QStringList{"ecfAutentica(\"1234567890123456789012345678901234567890\")",
                           "message: Retorno: 22"}));
    EXPECT_FALSE(line()->isVisible());
    EXPECT_FALSE(send()->isVisible());
}

TEST_F(MainPeripherals, EnterSendsTheLineWhileItIsShownThenPressesTheOptionsOkAgain) {
    trigger("Autenticao1");
    log.clear();
    pressEnter(kMain);
    ASSERT_EQ(log.events().size(), 1);
    EXPECT_TRUE(log.events().first().startsWith("ecfAutentica(\"14:05:0907/03/2026   "))
        << log.events().first().toStdString();
    EXPECT_FALSE(send()->isVisible());

    // The header options' OK refreshes the panel, which reads the printer.
    log.clear();
    pressEnter(kMain);
    EXPECT_EQ(log.events(), QStringList{"ecfStatusImp()"});
    EXPECT_EQ(form(kMain)->defaultButton(), control<QAbstractButton>(kMain, "Button1"));
}

// Fiscal memory reading ---------------------------------------------------

TEST_F(MainPeripherals, LeituraDaMefReadsTheFixedPeriodIntoTavrelSilently) {
    trigger("LeituradaMEF1");
    EXPECT_EQ(log.events(),
              QStringList{"ecfLeitMemFisc(2, \"101098\", \"101198\", 1, 10, \"tavrel.txt\")"});
}

TEST_F(MainPeripherals, LeituraDaMefRefusalShowsTheDriverResult) {
    driver.setResult("ecfLeitMemFisc", 9);
    dialogs.acknowledge();
    trigger("LeituradaMEF1");
    EXPECT_EQ(log.events(),
              (QStringList{"ecfLeitMemFisc(2, \"101098\", \"101198\", 1, 10, \"tavrel.txt\")",
                           "message: ecfLeitMemFisc retornou 9"}));
}

// Colours -----------------------------------------------------------------

TEST_F(MainPeripherals, ColoursStartAsTheLayoutHasThem) {
    EXPECT_EQ(windowColor(), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(menuBarColor(), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(panel()->backgroundColor(), QColor(Qt::black));
    EXPECT_EQ(panel()->textColor(), QColor(Qt::cyan));
}

TEST_F(MainPeripherals, FirstPanelBackgroundCancelledStaysBlack) {
    dialogs.cancelColor();
    trigger("Fundodatela1");
    EXPECT_EQ(log.events(), QStringList{"color: #000000"});
    EXPECT_EQ(panel()->backgroundColor(), QColor(Qt::black));
    EXPECT_EQ(panel()->textColor(), QColor(Qt::cyan));
}

TEST_F(MainPeripherals, FirstWindowBackgroundCancelledChangesNothing) {
    dialogs.cancelColor();
    trigger("Fundodoaplicativo1");
    EXPECT_EQ(log.events(), QStringList{"color: #000000"});
    EXPECT_EQ(windowColor(), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_FALSE(form(kMain)->centralWidget()->autoFillBackground());
    EXPECT_EQ(menuBarColor(), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(panel()->backgroundColor(), QColor(Qt::black));
    EXPECT_EQ(panel()->textColor(), QColor(Qt::cyan));
}

TEST_F(MainPeripherals, ConfirmedWindowBackgroundColoursOnlyTheClientArea) {
    dialogs.chooseColorAnswer(Qt::black);
    trigger("Fundodoaplicativo1");
    EXPECT_EQ(windowColor(), QColor(Qt::black));
    EXPECT_TRUE(form(kMain)->centralWidget()->autoFillBackground());
    // The menu stays readable.
    EXPECT_EQ(menuBarColor(), QColor(0xC0, 0xC0, 0xC0));
    // The panel keeps its own colours.
    EXPECT_EQ(panel()->backgroundColor(), QColor(Qt::black));
    EXPECT_EQ(panel()->textColor(), QColor(Qt::cyan));
}

TEST_F(MainPeripherals, CancelledDialogsKeepTargetsAndTheLastConfirmedColour) {
    dialogs.chooseColorAnswer(Qt::red);
    trigger("Letrasdopainel1");
    EXPECT_EQ(panel()->textColor(), QColor(Qt::red));
    EXPECT_EQ(panel()->backgroundColor(), QColor(Qt::black));

    dialogs.cancelColor();
    trigger("Fundodatela1");
    EXPECT_EQ(panel()->backgroundColor(), QColor(Qt::black));
    EXPECT_EQ(panel()->textColor(), QColor(Qt::red));

    dialogs.cancelColor();
    trigger("Letrasdopainel1");
    EXPECT_EQ(panel()->textColor(), QColor(Qt::red));

    // A cancel does not forget the colour confirmed before it: the dialog
    // opens at red every time after the first.
    dialogs.chooseColorAnswer(Qt::blue);
    trigger("Fundodatela1");
    EXPECT_EQ(panel()->backgroundColor(), QColor(Qt::blue));
    dialogs.cancelColor();
    trigger("Fundodoaplicativo1");
    EXPECT_EQ(windowColor(), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(log.events(), (QStringList{"color: #000000", "color: #ff0000", "color: #ff0000",
                                         "color: #ff0000", "color: #0000ff"}));
}

TEST_F(MainPeripherals, EachCommandColoursOnlyItsTarget) {
    dialogs.chooseColorAnswer(QColor(0x12, 0x34, 0x56));
    trigger("Fundodoaplicativo1");
    dialogs.chooseColorAnswer(Qt::yellow);
    trigger("Fundodatela1");
    dialogs.chooseColorAnswer(Qt::darkGreen);
    trigger("Letrasdopainel1");
    EXPECT_EQ(windowColor(), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(panel()->backgroundColor(), QColor(Qt::yellow));
    EXPECT_EQ(panel()->textColor(), QColor(Qt::darkGreen));
    EXPECT_TRUE(driver.calls().isEmpty());
}

TEST_F(MainPeripherals, PanelColoursOutliveThePanelRefresh) {
    dialogs.chooseColorAnswer(Qt::white);
    trigger("Fundodatela1");
    click(kMain, "Button2");  // header options' Cancelar rebuilds the panel
    EXPECT_EQ(panel()->backgroundColor(), QColor(Qt::white));
    EXPECT_EQ(panel()->lines().last(), "livre");
}
