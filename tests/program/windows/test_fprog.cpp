// The version 2.04 programming window: six functions over one work area,
// each activation back to the tax table, the controls each function shows,
// and the clock function, with every message in its order and kind. What
// "Enviar" sends for the header, the rates, the code size and the symbols
// is in test_fprog_header_rates.cpp.
#include "fprog_fixture.h"
#include "support/app_fixture.h"
#include "toolkit/app_environment.h"
#include "toolkit/tform.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace {

const QStringList kSampleRates = {"5,00",  "3,00",  "7,00",  "12,00", "17,00",
                                  "25,00", "13,00", "14,00", "25,00", "25,00"};

}  // namespace

TEST_F(ProgrammingWindow, LayoutCarriesTheControlsWithTheirTexts) {
    TForm* window = form(kForm);
    EXPECT_EQ(window->windowTitle(), "Funções de programação");
    EXPECT_EQ(window->border(), TForm::Border::SingleDialog);
    EXPECT_EQ(control<QAbstractButton>(kForm, "Button1")->text(), "Enviar");
    EXPECT_EQ(control<QAbstractButton>(kForm, "Button2")->text(), "Cancela");
    EXPECT_EQ(window->defaultButton(), control<QAbstractButton>(kForm, "Button1"));
    EXPECT_EQ(control<QGroupBox>(kForm, "GroupBox1")->title(), "");
    const QStringList captions = {"Alterar hora e data",
                                  "Cadastrar novo cabeçalho",
                                  "Carregar tabela de alíquotas completa",
                                  "Carregar uma alíquota específica",
                                  "Alterar tamanho do código do produto (somente Kolvex)",
                                  "Alterar código criptografado"};
    for (int function = 1; function <= 6; ++function) {
        EXPECT_EQ(radio(function)->text(), captions[function - 1]);
        EXPECT_EQ(radio(function)->parent(), control<QGroupBox>(kForm, "GroupBox1"));
    }
    // The layout's choice, before the first activation moves it.
    EXPECT_TRUE(radio(6)->isChecked());

    EXPECT_EQ(label(1)->text(), "WAIT....");
    EXPECT_TRUE(label(1)->font().bold());
    EXPECT_TRUE(label(1)->styleSheet().contains("color: red"));
    EXPECT_TRUE(label(1)->isHidden());  // hidden at creation

    EXPECT_EQ(label(12)->text(), "Hora na impressora:");
    EXPECT_EQ(label(13)->text(), "Data na impressora:");
    EXPECT_EQ(label(16)->text(), "Nova hora:");
    EXPECT_EQ(label(17)->text(), "Nova data:");
    EXPECT_EQ(control<QLabel>(kForm, "StaticText1")->text(), "      :      :     ");
    EXPECT_EQ(control<QLabel>(kForm, "StaticText2")->text(), "      /      /     ");
    EXPECT_EQ(control<QLabel>(kForm, "StaticText3")->text(),
              "123456789012345678901234567890123456789012345678 ");
    EXPECT_EQ(edit(4)->text(), "0123");
    for (int n = 1; n <= 10; ++n) {
        EXPECT_EQ(edit(n)->font().family(), "Courier New") << n;
        EXPECT_EQ(edit(n)->width(), 51) << n;
    }
    EXPECT_EQ(control<QLabel>(kForm, "StaticText3")->font().family(), "Courier New");

    ASSERT_EQ(rateList()->count(), 10);
    EXPECT_EQ(rateList()->itemText(0), "Alíquota 0");
    EXPECT_EQ(rateList()->itemText(9), "Alíquota 9");
    EXPECT_EQ(rateList()->currentIndex(), -1);
    EXPECT_FALSE(rateList()->isEditable());
}

TEST_F(ProgrammingWindow, FirstShowingIsTheTaxTableWithTheSampleRates) {
    open();
    EXPECT_TRUE(log.events().isEmpty()) << log.events().join('\n').toStdString();
    EXPECT_EQ(activeForm(), form(kForm));
    EXPECT_TRUE(radio(3)->isChecked());
    for (int position = 0; position <= 9; ++position) {
        EXPECT_EQ(label(position + 2)->text(), QStringLiteral("Taxa %1").arg(position));
        EXPECT_EQ(edit(position + 1)->text(), kSampleRates[position]);
    }
    EXPECT_EQ(visibleWorkArea(),
              (QStringList{"Label2", "Label3",  "Label4",  "Label5", "Label6", "Label7", "Label8",
                           "Label9", "Label10", "Label11", "Edit1",  "Edit2",  "Edit3",  "Edit4",
                           "Edit5",  "Edit6",   "Edit7",   "Edit8",  "Edit9",  "Edit10"}));
    EXPECT_FALSE(busy());
}

TEST_F(ProgrammingWindow, EveryActivationReturnsToTheTaxTable) {
    // From another function, after a close.
    openFunction(5);
    EXPECT_EQ(label(3)->text(), "Tamanho do código do produto:");
    click(kForm, "Button2");
    EXPECT_FALSE(form(kForm)->isVisible());
    EXPECT_EQ(driver.calls(), QStringList{"ecfStatusImp()"});  // the main window's
    open();
    EXPECT_TRUE(radio(3)->isChecked());
    EXPECT_EQ(label(3)->text(), "Taxa 1");
    EXPECT_EQ(edit(2)->text(), "3,00");
    EXPECT_TRUE(edit(10)->isVisible());

    // Already on the tax table: a typed rate gives way to the sample again,
    // when the operator comes back from another window.
    type(1, "9,99");
    trigger("Statusdaimpressora1");
    EXPECT_EQ(activeForm(), form("FormStatusImp"));
    open();
    EXPECT_EQ(activeForm(), form(kForm));
    EXPECT_EQ(edit(1)->text(), "5,00");
}

TEST_F(ProgrammingWindow, ChoosingTheChosenFunctionAgainChangesNothing) {
    openFunction(3);  // already chosen by the activation
    type(1, "1,23");
    choose(3);
    EXPECT_EQ(edit(1)->text(), "1,23");
    choose(6);
    type(1, "~");
    choose(6);
    EXPECT_EQ(edit(1)->text(), "~");
}

struct ModeRow {
    int function;
    QStringList visible;
};

void PrintTo(const ModeRow& row, std::ostream* out) {
    *out << "function " << row.function;
}

class EachFunctionMode : public ProgrammingWindow, public ::testing::WithParamInterface<ModeRow> {};

// Each function shows its own controls, whatever was shown before.
TEST_P(EachFunctionMode, ShowsOnlyItsControls) {
    for (int before : {2, 4, 1, 6}) {
        openFunction(before == GetParam().function ? 3 : before);
        choose(GetParam().function);
        EXPECT_EQ(visibleWorkArea(), GetParam().visible) << "after function " << before;
        click(kForm, "Button2");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, EachFunctionMode,
    ::testing::Values(
        ModeRow{1,
                {"Label12", "Label13", "Label14", "Label15", "Label16", "Label17", "Edit11",
                 "Edit12", "Edit13", "Edit14", "Edit15", "Edit16", "StaticText1", "StaticText2"}},
        ModeRow{2,
                {"Label2", "Label3", "Label4", "Label5", "Label6", "Label10", "Label11", "Edit1",
                 "Edit2", "Edit3", "Edit4", "Edit5", "Edit9", "Edit10", "StaticText3"}},
        ModeRow{4, {"Label3", "Label6", "Label10", "Edit5", "ComboBox1"}},
        ModeRow{5, {"Label3", "Edit7"}},
        ModeRow{6, {"Label2", "Label3",  "Label4",  "Label5", "Label6", "Label7", "Label8",
                    "Label9", "Label10", "Label11", "Edit1",  "Edit2",  "Edit3",  "Edit4",
                    "Edit5",  "Edit6",   "Edit7",   "Edit8",  "Edit9",  "Edit10"}}),
    [](const auto& info) { return "Function" + std::to_string(info.param.function); });

TEST_F(ProgrammingWindow, HeaderFunctionWidensItsFieldsAndTheNextFunctionNarrowsThem) {
    openFunction(2);
    EXPECT_EQ(label(2)->text(), "Line 1");
    EXPECT_EQ(label(3)->text(), "Line 2");
    EXPECT_EQ(label(4)->text(), "Line 3");
    EXPECT_EQ(label(5)->text(), "Loja");
    EXPECT_EQ(label(6)->text(), "IE = ");
    EXPECT_EQ(label(10)->text(), "Equip.");
    EXPECT_EQ(label(11)->text(), "CGC = ");
    EXPECT_EQ(edit(1)->text(), "Em geral mostra o nome da empresa /loja");
    EXPECT_EQ(edit(2)->text(), "Primeira linha de endereco da loja");
    EXPECT_EQ(edit(3)->text(), "Segunda linha de endereco da loja");
    EXPECT_EQ(edit(4)->text(), "0001");
    EXPECT_EQ(edit(9)->text(), "0001");
    EXPECT_EQ(edit(5)->text(), "123456789012345");
    EXPECT_EQ(edit(10)->text(), "123456789012345678");
    const QList<int> widths = {edit(1)->width(), edit(2)->width(), edit(3)->width(),
                               edit(5)->width(), edit(10)->width()};
    EXPECT_EQ(widths, (QList<int>{396, 396, 396, 135, 160}));

    choose(6);
    for (int n : {1, 2, 3, 5, 10}) {
        EXPECT_EQ(edit(n)->width(), 51) << n;
    }
}

TEST_F(ProgrammingWindow, FunctionSamplesOfOneRateCodeSizeAndSymbols) {
    openFunction(4);
    EXPECT_EQ(label(3)->text(), "Taxa:");
    EXPECT_EQ(label(6)->text(), "Valor");
    EXPECT_EQ(label(10)->text(), "Informe o valor com vírgula. (p.ex.: 25,00)");
    EXPECT_EQ(edit(5)->text(), "2,30");

    choose(5);
    EXPECT_EQ(label(3)->text(), "Tamanho do código do produto:");
    EXPECT_EQ(edit(7)->text(), "13");

    choose(6);
    QString symbols;
    for (int digit = 0; digit <= 9; ++digit) {
        EXPECT_EQ(label(digit + 2)->text(), QStringLiteral("%1 = ").arg(digit));
        ASSERT_EQ(edit(digit + 1)->text().size(), 1) << digit;
        const QChar symbol = edit(digit + 1)->text()[0];
        EXPECT_TRUE(symbol.isPunct() || symbol.isSymbol()) << digit;
        EXPECT_FALSE(symbols.contains(symbol)) << digit;
        symbols.append(symbol);
    }
    EXPECT_TRUE(log.events().isEmpty());
}

// Date and time

TEST_F(ProgrammingWindow, DateTimeFunctionShowsThePcClockAndThePrinters) {
    open();
    log.clear();
    choose(1);
    EXPECT_EQ(log.events(), QStringList{"ecfStatusCupom(&1)"});
    // The pinned PC clock: 07/03/26 14:05:09.
    const QStringList fields = {edit(11)->text(), edit(12)->text(), edit(13)->text(),
                                edit(14)->text(), edit(15)->text(), edit(16)->text()};
    EXPECT_EQ(fields, (QStringList{"14", "05", "09", "07", "03", "26"}));
    // The reply's time and date fields as they stand.
    EXPECT_EQ(label(14)->text(), "134500");
    EXPECT_EQ(label(15)->text(), "07122026");
}

TEST_F(ProgrammingWindow, FailedStatusQueryLeavesDashesAndTheFunctionCanStillBeSent) {
    open();
    driver.setReply("ecfStatusCupom", "Erro: 079 Impressora nao responde");
    dialogs.acknowledge();
    log.clear();
    choose(1);
    EXPECT_EQ(log.events(),
              (QStringList{"ecfStatusCupom(&1)", "message: Ocorreu o erro de número 079"}));
    EXPECT_EQ(label(14)->text(), " ----- ");
    EXPECT_EQ(label(15)->text(), " ----- ");
    log.clear();
    send();
    EXPECT_EQ(log.events(), QStringList{"ecfAcertaData(7, 3, 26, 14, 5, 9)"});
}

TEST_F(ProgrammingWindow, PrinterReceivesThePcClockAtTheMomentOfSendingNotTheTypedHour) {
    openFunction(1);
    type(11, "23");
    setClock([] { return QDateTime(QDate(2027, 12, 31), QTime(8, 59, 1)); });
    bool busyDuringCall = false;
    driver.onCall("ecfAcertaData", [&] { busyDuringCall = busy(); });
    send();
    EXPECT_EQ(log.events(), QStringList{"ecfAcertaData(31, 12, 27, 8, 59, 1)"});
    EXPECT_TRUE(busyDuringCall);
    EXPECT_FALSE(busy());
    EXPECT_EQ(edit(11)->text(), "23");  // fields stay as typed
}

TEST_F(ProgrammingWindow, EnterSendsTheChosenFunction) {
    openFunction(1);
    pressEnter(kForm);
    EXPECT_EQ(driver.calls(), QStringList{"ecfAcertaData(7, 3, 26, 14, 5, 9)"});
}

class EachClockField : public ProgrammingWindow, public ::testing::WithParamInterface<int> {};

TEST_P(EachClockField, EmptiedGivesTheEmptyFieldMessageAndNoCall) {
    openFunction(1);
    type(GetParam(), "");
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events(),
              QStringList{"message: Algum campo permaneceu vazio. Verifique o correto "
                          "preenchimento das informações pedidas."});
    EXPECT_FALSE(busy());
}

TEST_P(EachClockField, LetterGivesTheConversionErrorAndNoCall) {
    openFunction(1);
    type(GetParam(), "h");
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events(), QStringList{"exception: 'h' is not a valid integer value"});
    EXPECT_FALSE(busy());
}

INSTANTIATE_TEST_SUITE_P(HourToYear, EachClockField, ::testing::Range(11, 17),
                         [](const auto& info) { return "Edit" + std::to_string(info.param); });

TEST_F(ProgrammingWindow, ConversionComesBeforeTheEmptyFieldCount) {
    openFunction(1);
    type(11, "");
    type(16, "2x");
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events(), QStringList{"exception: '2x' is not a valid integer value"});
}

TEST_F(ProgrammingWindow, RefusedDateShowsTheResult) {
    openFunction(1);
    driver.setResult("ecfAcertaData", 7);
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events(), (QStringList{"ecfAcertaData(7, 3, 26, 14, 5, 9)",
                                         "message: ecfAcertaData retornou 7"}));
}
