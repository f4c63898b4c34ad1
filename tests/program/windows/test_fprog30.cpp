// The version 3.00 programming window: five functions, each activation back
// to the date and time, the header through the 3.0 call with its eight
// messages, one rate of twenty with its tax type, and the plain boxes where
// this window differs from the 2.04 one.
#include "programming_fixture.h"
#include "support/app_fixture.h"
#include "toolkit/tform.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace {

const QString kForm = QStringLiteral("frmprog30");

const QString kWarning = QStringLiteral(
    "system yes/no: Este procedimento é irreversível e altera o atual cabeçalho de sua "
    "impressora. Deseja continuar?");
const QString kColumnsQuestion =
    QStringLiteral("confirmation: A impressora fiscal é de 40 colunas?");

const QStringList kSampleHeaderMessages = {
    "message: linha1: Em geral mostra o nome da empresa /loja",
    "message: linha2: Primeira linha de endereco da loja",
    "message: linha3: Segunda linha de endereco da loja",
    "message: loja: 1",
    "message: equip: 1",
    "message: cgc: 123456789012345678",
    "message: ie: 123456789012345",
};

QString header30Call(const QString& im) {
    return QStringLiteral(
               "ecfProgHeader30(\"Em geral mostra o nome da empresa /loja\", \"Primeira linha de "
               "endereco da loja\", \"Segunda linha de endereco da loja\", 1, 1, "
               "\"123456789012345678\", \"123456789012345\", \"%1\")")
        .arg(im);
}

QString rateCall(const QString& position, const QString& type, const QString& rate) {
    return QStringLiteral("ecfCargaAliqSelect(\"%1\", \"%2\", \"%3\")").arg(position, type, rate);
}

const QString kChoice =
    QStringLiteral("message: É necessário que você escolha qual alíquota deseja cadastrar.");
const QString kRange =
    QStringLiteral("message: A impressora não suporta alíquotas que não estejam entre 0% e 99,99%");

}  // namespace

class Programming30Window : public ProgrammingFixture {
protected:
    Programming30Window() : ProgrammingFixture(kForm, "Programaesgerais1", 18, 17) {}

    // The two answers that lead to the header checks: go on, 40 columns.
    void answerHeaderQuestions() {
        dialogs.answer(DialogAnswer::Yes);
        dialogs.answer(DialogAnswer::Yes);
    }
};

const QStringList kDateTimeControls = {"Label12", "Label13", "Label14",     "Label15",    "Label16",
                                       "Label17", "Edit11",  "Edit12",      "Edit13",     "Edit14",
                                       "Edit15",  "Edit16",  "StaticText1", "StaticText2"};

TEST_F(Programming30Window, LayoutCarriesTheControlsWithTheirTexts) {
    TForm* window = form(kForm);
    EXPECT_EQ(window->windowTitle(), "Funções de programação para versão 3.00");
    EXPECT_EQ(window->border(), TForm::Border::SingleDialog);
    EXPECT_EQ(window->defaultButton(), control<QAbstractButton>(kForm, "Button1"));
    EXPECT_EQ(control<QAbstractButton>(kForm, "Button1")->text(), "Enviar");
    EXPECT_EQ(control<QAbstractButton>(kForm, "Button2")->text(), "Cancela");
    EXPECT_EQ(window->findChild<QRadioButton*>("RadioButton3"), nullptr);
    const QList<QPair<int, QString>> captions = {{1, "Alterar hora e data"},
                                                 {2, "Programar novo cabeçalho"},
                                                 {4, "Programar uma alíquota específica"},
                                                 {5, "Alterar tamanho do código do produto "},
                                                 {6, "Alterar código criptografado"}};
    for (const auto& [function, caption] : captions) {
        EXPECT_EQ(radio(function)->text(), caption);
        EXPECT_EQ(radio(function)->parent(), control<QGroupBox>(kForm, "GroupBox1"));
    }
    EXPECT_TRUE(radio(6)->isChecked());  // before the first activation

    EXPECT_EQ(label(1)->text(), "AGUARDE ....");
    EXPECT_TRUE(label(1)->font().bold());
    EXPECT_TRUE(label(1)->styleSheet().contains("color: red"));
    EXPECT_TRUE(label(1)->isHidden());

    auto* taxType = control<QGroupBox>(kForm, "RadioGroup1");
    EXPECT_EQ(taxType->title(), "  Tipo de imposto   ");
    auto* icms = control<QRadioButton>(kForm, "RadioGroup1Item0");
    auto* iss = control<QRadioButton>(kForm, "RadioGroup1Item1");
    EXPECT_EQ(icms->text(), "ICMS");
    EXPECT_EQ(iss->text(), "ISS");
    EXPECT_EQ(icms->parent(), taxType);
    EXPECT_EQ(iss->parent(), taxType);
    EXPECT_TRUE(icms->isChecked());
    EXPECT_LT(icms->x() + icms->width(), iss->x() + 1);  // two columns, side by side

    ASSERT_EQ(rateList()->count(), 20);
    EXPECT_EQ(rateList()->itemText(0), "Alíquota 0");
    EXPECT_EQ(rateList()->itemText(19), "Alíquota 19");
    EXPECT_EQ(rateList()->currentIndex(), -1);
    EXPECT_EQ(control<QLabel>(kForm, "StaticText3")->text(),
              "1234567890123456789012345678901234567890");
    EXPECT_NE(edit(17), nullptr);
    EXPECT_NE(label(18), nullptr);
}

TEST_F(Programming30Window, FirstShowingIsTheDateAndTimeWithBothClocks) {
    open();
    EXPECT_EQ(log.events(), QStringList{"ecfStatusCupom(&1)"});
    EXPECT_TRUE(radio(1)->isChecked());
    const QStringList fields = {edit(11)->text(), edit(12)->text(), edit(13)->text(),
                                edit(14)->text(), edit(15)->text(), edit(16)->text()};
    EXPECT_EQ(fields, (QStringList{"14", "05", "09", "07", "03", "26"}));
    EXPECT_EQ(label(14)->text(), "134500");
    EXPECT_EQ(label(15)->text(), "07122026");
    EXPECT_EQ(visibleWorkArea(), kDateTimeControls);
    EXPECT_FALSE(busy());
}

TEST_F(Programming30Window, FirstShowingWithThePrinterSilentShowsDashes) {
    driver.setReply("ecfStatusCupom", "Erro: 079 Impressora nao responde");
    dialogs.acknowledge();
    open();
    EXPECT_EQ(log.events(),
              (QStringList{"ecfStatusCupom(&1)", "message: Ocorreu o erro de número 079"}));
    EXPECT_EQ(label(14)->text(), " ----- ");
    EXPECT_EQ(label(15)->text(), " ----- ");
    EXPECT_EQ(visibleWorkArea(), kDateTimeControls);
}

TEST_F(Programming30Window, ActivationFromAnotherFunctionAsksThePrinterAgain) {
    openFunction(4);
    click(kForm, "Button2");
    log.clear();
    open();
    EXPECT_EQ(log.events(), QStringList{"ecfStatusCupom(&1)"});
    EXPECT_TRUE(radio(1)->isChecked());
    EXPECT_EQ(visibleWorkArea(), kDateTimeControls);
}

TEST_F(Programming30Window, ActivationOnTheDateAndTimeKeepsTheFieldsAndAsksNothing) {
    open();
    type(11, "23");
    click(kForm, "Button2");
    log.clear();
    open();
    EXPECT_TRUE(log.events().isEmpty()) << log.events().join('\n').toStdString();
    EXPECT_EQ(edit(11)->text(), "23");
    EXPECT_EQ(visibleWorkArea(), kDateTimeControls);
}

struct ModeRow {
    int function;
    QStringList visible;
};

void PrintTo(const ModeRow& row, std::ostream* out) {
    *out << "function " << row.function;
}

class EachFunctionMode30 : public Programming30Window,
                           public ::testing::WithParamInterface<ModeRow> {};

TEST_P(EachFunctionMode30, ShowsOnlyItsControls) {
    for (int before : {2, 4, 6, 5}) {
        openFunction(before);
        if (before != GetParam().function) {
            choose(GetParam().function);
        }
        EXPECT_EQ(visibleWorkArea(), GetParam().visible) << "after function " << before;
        click(kForm, "Button2");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, EachFunctionMode30,
    ::testing::Values(
        ModeRow{2,
                {"Label2", "Label3", "Label4", "Label5", "Label6", "Label10", "Label11", "Label18",
                 "Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit9", "Edit10", "Edit17",
                 "StaticText3"}},
        ModeRow{4, {"Label3", "Label6", "Label10", "Edit5", "ComboBox1", "RadioGroup1"}},
        ModeRow{5, {"Label3", "Edit7"}},
        ModeRow{6, {"Label2", "Label3",  "Label4",  "Label5", "Label6", "Label7", "Label8",
                    "Label9", "Label10", "Label11", "Edit1",  "Edit2",  "Edit3",  "Edit4",
                    "Edit5",  "Edit6",   "Edit7",   "Edit8",  "Edit9",  "Edit10"}}),
    [](const auto& info) { return "Function" + std::to_string(info.param.function); });

TEST_F(Programming30Window, FunctionSamples) {
    openFunction(2);
    EXPECT_EQ(label(2)->text(), "Line 1");
    EXPECT_EQ(label(11)->text(), "CGC = ");
    EXPECT_EQ(label(18)->text(), "IM = ");
    EXPECT_EQ(edit(17)->text(), "123456789012345");
    EXPECT_EQ(edit(17)->width(), 135);
    EXPECT_EQ(edit(1)->width(), 396);
    EXPECT_EQ(edit(10)->text(), "123456789012345678");

    choose(4);
    EXPECT_EQ(label(3)->text(), "Taxa:");
    EXPECT_EQ(label(6)->text(), "Valor");
    EXPECT_EQ(label(10)->text(), "Informe o valor com vírgula. (p.ex.: 25,00)");
    EXPECT_EQ(edit(5)->text(), "2,30");
    EXPECT_EQ(edit(5)->width(), 51);

    choose(5);
    EXPECT_EQ(label(3)->text(), "Tamanho do código do produto:");
    EXPECT_EQ(edit(7)->text(), "13");

    choose(6);
    QString symbols;
    for (int digit = 0; digit <= 9; ++digit) {
        EXPECT_EQ(label(digit + 2)->text(), QStringLiteral("%1 = ").arg(digit));
        ASSERT_EQ(edit(digit + 1)->text().size(), 1);
        EXPECT_FALSE(symbols.contains(edit(digit + 1)->text()));
        symbols += edit(digit + 1)->text();
    }
    EXPECT_NE(symbols, "!@#$%&*()+");  // not the 2.04 window's set
    EXPECT_TRUE(log.events().isEmpty());
}

TEST_F(Programming30Window, DateAndTimeGoOutFromThePcClock) {
    open();
    log.clear();
    type(13, "59");
    bool busyDuringCall = false;
    driver.onCall("ecfAcertaData", [&] { busyDuringCall = busy(); });
    send();
    EXPECT_EQ(log.events(), QStringList{"ecfAcertaData(7, 3, 26, 14, 5, 9)"});
    EXPECT_TRUE(busyDuringCall);
    EXPECT_FALSE(busy());

    type(14, "");
    dialogs.acknowledge();
    log.clear();
    send();
    EXPECT_EQ(log.events(),
              QStringList{"message: Algum campo permaneceu vazio. Verifique o correto "
                          "preenchimento das informações pedidas."});
}

// New header

TEST_F(Programming30Window, HeaderShowsTheEightValuesThenSendsThemWithTheIm) {
    openFunction(2);
    answerHeaderQuestions();
    dialogs.acknowledge(9);
    Qt::CursorShape cursorDuringCall = Qt::ArrowCursor;
    bool busyDuringCall = false;
    driver.onCall("ecfProgHeader30", [&] {
        cursorDuringCall = cursor();
        busyDuringCall = busy();
    });
    send();
    QStringList expected = {kWarning, kColumnsQuestion};
    expected += kSampleHeaderMessages;
    expected += {"message: im: 123456789012345", header30Call("123456789012345"),
                 "message: Cabeçalho cadastrado com SUCESSO."};
    EXPECT_EQ(log.events(), expected);
    EXPECT_EQ(cursorDuringCall, Qt::WaitCursor);
    EXPECT_TRUE(busyDuringCall);
    EXPECT_EQ(cursor(), Qt::ArrowCursor);
    EXPECT_FALSE(busy());
}

TEST_F(Programming30Window, EmptyImGoesAsOneBlank) {
    openFunction(2);
    type(17, "");
    answerHeaderQuestions();
    dialogs.acknowledge(9);
    send();
    EXPECT_EQ(dialogs.texts()[9], "im:  ");
    EXPECT_EQ(driver.calls(), QStringList{header30Call(" ")});
}

TEST_F(Programming30Window, ImHasNoLengthCheck) {
    openFunction(2);
    type(17, "12345678901234567890");
    answerHeaderQuestions();
    dialogs.acknowledge(9);
    send();
    EXPECT_EQ(driver.calls(), QStringList{header30Call("12345678901234567890")});
}

TEST_F(Programming30Window, StoreAndEquipmentMessagesShowThePlainNumbers) {
    openFunction(2);
    type(4, "0042");
    type(9, " 7");
    answerHeaderQuestions();
    dialogs.acknowledge(9);
    send();
    EXPECT_EQ(dialogs.texts()[5], "loja: 42");
    EXPECT_EQ(dialogs.texts()[6], "equip: 7");
    EXPECT_TRUE(driver.calls().first().contains("\", 42, 7, \""));
}

TEST_F(Programming30Window, CgcRefusalSendsNothingAndGivesTheArrowBack) {
    openFunction(2);
    type(10, "");
    answerHeaderQuestions();
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events(), (QStringList{kWarning, kColumnsQuestion,
                                         "message: Não é permitido deixar o campo CGC em branco"}));
    EXPECT_EQ(cursor(), Qt::ArrowCursor);
    EXPECT_FALSE(busy());
    EXPECT_EQ(edit(10)->text(), "");
}

TEST_F(Programming30Window, HeaderLineLimitsAreTheSame) {
    openFunction(2);
    type(2, QString(49, QLatin1Char('z')));
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::No);  // 48 columns
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events().last(), "message: A linha 2 deve ter no máximo 48 caracteres");
    EXPECT_TRUE(driver.calls().isEmpty());
}

TEST_F(Programming30Window, HeaderWarningAnsweredNoAborts) {
    openFunction(2);
    dialogs.answer(DialogAnswer::No);
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events(), (QStringList{kWarning, "message: Programação ABORTADA pelo usuário."}));
}

TEST_F(Programming30Window, RefusedHeaderShowsTheResultWithoutSuccess) {
    openFunction(2);
    driver.setResult("ecfProgHeader30", 79);
    answerHeaderQuestions();
    dialogs.acknowledge(9);
    send();
    EXPECT_EQ(
        log.events().mid(log.events().size() - 2),
        (QStringList{header30Call("123456789012345"), "message: Ocorreu o seguinte erro: 79"}));
}

// One tax rate

struct Rate30Case {
    const char* name;
    int position;  // -1: nothing chosen
    bool iss;
    const char* typed;
    QStringList events;
};

void PrintTo(const Rate30Case& rateCase, std::ostream* out) {
    *out << rateCase.name;
}

class OneRate30 : public Programming30Window, public ::testing::WithParamInterface<Rate30Case> {};

TEST_P(OneRate30, SendsOrRefuses) {
    openFunction(4);
    if (GetParam().position >= 0) {
        rateList()->setCurrentIndex(GetParam().position);
    }
    if (GetParam().iss) {
        click(kForm, "RadioGroup1Item1");
    }
    type(5, QString::fromUtf8(GetParam().typed));
    for (const QString& event : GetParam().events) {
        if (!event.startsWith("ecf")) {
            dialogs.acknowledge();
        }
    }
    send();
    EXPECT_EQ(log.events(), GetParam().events);
    EXPECT_FALSE(busy());
}

const QString kOk = QStringLiteral("message: OK !");
const QString kRateDone = QStringLiteral("message: A taxa foi cadastrada com SUCESSO!");

INSTANTIATE_TEST_SUITE_P(
    Cases, OneRate30,
    ::testing::Values(
        Rate30Case{"Iss15", 15, true, "5,5", {rateCall("15", "S", "550"), kOk, kRateDone}},
        Rate30Case{"IcmsSample", 0, false, "2,30", {rateCall("0", "T", "230"), kOk, kRateDone}},
        Rate30Case{"Last", 19, false, "99,99", {rateCall("19", "T", "9999"), kOk, kRateDone}},
        Rate30Case{"EmptyGoesAsBlanks", 7, true, "", {rateCall("7", "S", "    "), kOk, kRateDone}},
        Rate30Case{"NothingChosen", -1, false, "2,30", {kChoice}},
        Rate30Case{"EmptyAndNothingChosen", -1, false, "", {kChoice}},
        Rate30Case{"Hundred", 3, false, "100", {kRange}},
        Rate30Case{"HundredAndNothingChosen", -1, false, "100", {kChoice, kRange}},
        Rate30Case{"FractionOfAHundredth",
                   3,
                   false,
                   "2,345",
                   {"exception: '234,5' is not a valid integer value"}},
        Rate30Case{"NoNumberBeforeTheChoice",
                   -1,
                   false,
                   "x",
                   {"exception: 'x' is not a valid floating point value"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Programming30Window, RefusedRateShowsTheResultWithoutSuccess) {
    openFunction(4);
    rateList()->setCurrentIndex(12);
    driver.setResult("ecfCargaAliqSelect", 25);
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events(),
              (QStringList{rateCall("12", "T", "230"), "message: Ocorreu o seguinte erro: 25"}));
}

// Product-code size

TEST_F(Programming30Window, CodeSizeSuccessIsAPlainMessageAnd79HasNoHint) {
    openFunction(5);
    dialogs.acknowledge(2);
    send();
    driver.setResult("ecfPrgCod", 79);
    send();
    EXPECT_EQ(log.events(),
              (QStringList{"ecfPrgCod(13)",
                           "message: O tamanho do código de produto foi alterado com SUCESSO",
                           "ecfPrgCod(13)", "message: Ocorreu o erro número 79"}));
}

TEST_F(Programming30Window, CodeSizeOutOfRangeIsNotSent) {
    openFunction(5);
    dialogs.acknowledge(2);
    type(7, "0");
    send();
    type(7, "14");
    send();
    const QString range = QStringLiteral(
        "message: O tamanho do código de produto deve valer no mínimo 1 e no máximo 13");
    EXPECT_EQ(log.events(), (QStringList{range, range}));
}

// Encrypted code

TEST_F(Programming30Window, SymbolsSuccessIsAPlainMessage) {
    openFunction(6);
    QString symbols;
    for (int n = 1; n <= 10; ++n) {
        symbols += edit(n)->text();
    }
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events(), (QStringList{QStringLiteral("ecfCargaCodCripto(\"%1\")").arg(symbols),
                                         "message: Seu criptograma foi cadastrado com SUCESSO!"}));
}

TEST_F(Programming30Window, TwoCharactersForDigit9GiveAPlainMessageAndNoCall) {
    openFunction(6);
    type(10, "##");
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events(),
              QStringList{"message: Verifique o símbolo usado para substituir o algarismo 9. Ele "
                          "foi informado de forma incorreta."});
    EXPECT_EQ(dialogs.boxes().first().caption, "WIN_ECF");
}

TEST_F(Programming30Window, OtherDigitsComplainInErrorBoxes) {
    openFunction(6);
    type(1, "");
    type(10, "");
    dialogs.acknowledge(2);
    send();
    ASSERT_EQ(dialogs.boxes().size(), 2);
    EXPECT_EQ(dialogs.boxes()[0].kind, DialogKind::Error);
    EXPECT_TRUE(dialogs.boxes()[0].text.contains("algarismo 0."));
    EXPECT_EQ(dialogs.boxes()[1].kind, DialogKind::Message);
    EXPECT_TRUE(dialogs.boxes()[1].text.contains("algarismo 9."));
    EXPECT_TRUE(driver.calls().isEmpty());
}

TEST_F(Programming30Window, RefusedSymbolsShowTheErrorNumber) {
    openFunction(6);
    driver.setResult("ecfCargaCodCripto", 1);
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events().last(), "message: Ocorreu o erro número 1");
    EXPECT_EQ(log.events().size(), 2);
}

TEST_F(Programming30Window, CancelaClosesAndSendsNothing) {
    openFunction(2);
    click(kForm, "Button2");
    EXPECT_FALSE(form(kForm)->isVisible());
    EXPECT_EQ(driver.calls(), QStringList{"ecfStatusImp()"});  // the main window's activation
}
