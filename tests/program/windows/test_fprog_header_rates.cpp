// What the version 2.04 programming window sends for the header, the tax
// rates, the code size and the encryption symbols, with every message in its
// order and kind; and its Cancela button.
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

const QString kWarning = QStringLiteral(
    "system yes/no: Este procedimento é irreversível e altera o atual cabeçalho de sua "
    "impressora. Deseja continuar?");
const QString kColumnsQuestion =
    QStringLiteral("confirmation: A impressora fiscal é de 40 colunas?");
const QString kModelQuestion = QStringLiteral("confirmation: A impressora fiscal é modelo 3.0 ?");
const QString kImPrompt =
    QStringLiteral("input: Por favor, informe o número da inscrição municipal.");
const QString kImTooLong = QStringLiteral(
    "message: Tamanho máximo da inscrição municipal: 15 dígitos. Sua informação excedeu este "
    "limite");

// The samples of the header function as they reach the driver, before the
// store and equipment numbers, and after them.
const QString kSampleLines = QStringLiteral(
    "\"Em geral mostra o nome da empresa /loja\", \"Primeira linha de endereco da loja\", "
    "\"Segunda linha de endereco da loja\"");
const QString kSampleNumbers = QStringLiteral("\"123456789012345678\", \"123456789012345\"");

QString cabLojaCall(const QString& lines = kSampleLines, int store = 1, int equipment = 1) {
    return QStringLiteral("ecfCabLoja(%1, %2, %3, %4)")
        .arg(lines)
        .arg(store)
        .arg(equipment)
        .arg(kSampleNumbers);
}

QString header30Call(const QString& im) {
    return QStringLiteral("ecfProgHeader30(%1, 1, 1, %2, \"%3\")")
        .arg(kSampleLines, kSampleNumbers, im);
}

QString rateCall(int position, const QString& rate) {
    return QStringLiteral("ecfCargaTabAliq(%1, \"%2\")").arg(position).arg(rate);
}

}  // namespace

// New header

TEST_F(ProgrammingWindow, HeaderWarningAnsweredNoAbortsAndSendsNothing) {
    openFunction(2);
    dialogs.answer(DialogAnswer::No);
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events(),
              (QStringList{kWarning, "message: O cadastro de um novo cabeçalho foi abortado."}));
    EXPECT_EQ(dialogs.boxes().first().caption, "Aviso");
    EXPECT_EQ(dialogs.boxes().first().kind, DialogKind::SystemYesNo);
    EXPECT_FALSE(busy());
}

TEST_F(ProgrammingWindow, HeaderForAPrinterBeforeModel30GoesThroughCabLoja) {
    openFunction(2);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::No);  // 48 columns
    dialogs.answer(DialogAnswer::No);  // not a model 3.0
    Qt::CursorShape cursorDuringCall = Qt::ArrowCursor;
    bool busyDuringCall = false;
    driver.onCall("ecfCabLoja", [&] {
        cursorDuringCall = cursor();
        busyDuringCall = busy();
    });
    send();
    EXPECT_EQ(log.events(),
              (QStringList{kWarning, kColumnsQuestion, kModelQuestion, cabLojaCall()}));
    EXPECT_EQ(cursorDuringCall, Qt::WaitCursor);
    EXPECT_TRUE(busyDuringCall);
    EXPECT_EQ(cursor(), Qt::ArrowCursor);
    EXPECT_FALSE(busy());
}

TEST_F(ProgrammingWindow, HeaderTextsGoAsTypedAndNumbersAsIntegers) {
    openFunction(2);
    type(1, "  Loja do Zé  ");
    type(2, "");
    type(3, "\"aspas\"");
    type(4, " 42");
    type(9, "-3");  // below 0 is not refused
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::No);
    send();
    EXPECT_EQ(driver.calls(),
              QStringList{cabLojaCall("\"  Loja do Zé  \", \"\", \"\\\"aspas\\\"\"", 42, -3)});
}

TEST_F(ProgrammingWindow, HeaderForAModel30AsksTheMunicipalRegistration) {
    openFunction(2);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);  // model 3.0
    dialogs.typeInput("12.345.678-9");
    send();
    EXPECT_EQ(log.events(), (QStringList{kWarning, kColumnsQuestion, kModelQuestion, kImPrompt,
                                         header30Call("12.345.678-9")}));
    const RecordedBox input = dialogs.boxes().last();
    EXPECT_EQ(input.kind, DialogKind::Input);
    EXPECT_EQ(input.caption, "Insrição Municipal");
}

TEST_F(ProgrammingWindow, MunicipalRegistrationOf16IsAskedAgainAndCancellingGivesTheDefault) {
    openFunction(2);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.typeInput("1234567890123456");
    dialogs.acknowledge();
    dialogs.typeInput("12345678901234567");
    dialogs.acknowledge();
    dialogs.cancelInput();
    send();
    EXPECT_EQ(log.events(),
              (QStringList{kWarning, kColumnsQuestion, kModelQuestion, kImPrompt, kImTooLong,
                           kImPrompt, kImTooLong, kImPrompt, header30Call("728182-382")}));
}

TEST_F(ProgrammingWindow, MunicipalRegistrationOf15Passes) {
    openFunction(2);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.typeInput("123456789012345");
    send();
    EXPECT_EQ(driver.calls(), QStringList{header30Call("123456789012345")});
}

TEST_F(ProgrammingWindow, ModelQuestionClosedSendsNothing) {
    openFunction(2);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Closed);
    send();
    EXPECT_TRUE(driver.calls().isEmpty());
    EXPECT_EQ(cursor(), Qt::ArrowCursor);
    EXPECT_FALSE(busy());
}

TEST_F(ProgrammingWindow, RefusedHeaderShowsTheResult) {
    openFunction(2);
    driver.setResult("ecfCabLoja", 12);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::No);
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events().mid(3),
              (QStringList{cabLojaCall(), "message: Ocorreu o seguinte erro: 12"}));
}

struct ColumnCase {
    const char* name;
    DialogAnswer answer;  // to "A impressora fiscal é de 40 colunas?"
    int lineLength;
    const char* refusal;  // the message, or none when the line passes
};

void PrintTo(const ColumnCase& columnCase, std::ostream* out) {
    *out << columnCase.name;
}

class LineLimits : public ProgrammingWindow,
                   public ::testing::WithParamInterface<std::tuple<ColumnCase, int>> {};

// Each of the three lines, against each column answer.
TEST_P(LineLimits, LongLineIsRefusedWithItsMessage) {
    const auto& [columnCase, line] = GetParam();
    openFunction(2);
    type(line, QString(columnCase.lineLength, QLatin1Char('x')));
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(columnCase.answer);
    if (columnCase.refusal) {
        dialogs.acknowledge();
    } else {
        dialogs.answer(DialogAnswer::No);
    }
    send();
    if (columnCase.refusal) {
        EXPECT_EQ(
            log.events(),
            (QStringList{kWarning, kColumnsQuestion,
                         QStringLiteral("message: A linha %1 deve ter no máximo %2 caracteres")
                             .arg(line)
                             .arg(QString::fromLatin1(columnCase.refusal))}));
        EXPECT_TRUE(driver.calls().isEmpty());
    } else {
        EXPECT_EQ(driver.callsOf("ecfCabLoja").size(), 1);
    }
    EXPECT_EQ(cursor(), Qt::ArrowCursor);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, LineLimits,
    ::testing::Combine(::testing::Values(ColumnCase{"Of40Takes40", DialogAnswer::Yes, 40, nullptr},
                                         ColumnCase{"Of40Refuses41", DialogAnswer::Yes, 41, "40"},
                                         ColumnCase{"Of48Takes45", DialogAnswer::No, 45, nullptr},
                                         ColumnCase{"Of48Takes48", DialogAnswer::No, 48, nullptr},
                                         ColumnCase{"Of48Refuses49", DialogAnswer::No, 49, "48"},
                                         ColumnCase{"UnansweredTakes100", DialogAnswer::Closed, 100,
                                                    nullptr}),
                       ::testing::Values(1, 2, 3)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "Line" +
               std::to_string(std::get<1>(info.param));
    });

TEST_F(ProgrammingWindow, StoreOf12345AndEmptyIeBothComplainAndNothingIsSent) {
    openFunction(2);
    type(4, "12345");
    type(5, "");
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.acknowledge(2);
    QList<Qt::CursorShape> cursorAtMessages;
    dialogs.onBox([&](const RecordedBox& box) {
        if (box.kind == DialogKind::Message) {
            cursorAtMessages.append(cursor());
        }
    });
    send();
    EXPECT_EQ(log.events(), (QStringList{kWarning, kColumnsQuestion,
                                         "message: O número da loja não pode ter mais de 4 dígitos",
                                         "message: Não é permitido deixar o campo IE em branco"}));
    EXPECT_EQ(cursorAtMessages, (QList<Qt::CursorShape>{Qt::WaitCursor, Qt::WaitCursor}));
    EXPECT_EQ(cursor(), Qt::ArrowCursor);
    EXPECT_FALSE(busy());
}

TEST_F(ProgrammingWindow, EveryHeaderCheckRunsInItsOrder) {
    openFunction(2);
    type(3, QString(41, QLatin1Char('y')));
    type(1, QString(41, QLatin1Char('y')));
    type(4, "10000");
    type(9, "99999");
    type(5, "");
    type(10, "");
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.acknowledge(6);
    send();
    EXPECT_EQ(log.events().mid(2),
              (QStringList{"message: A linha 1 deve ter no máximo 40 caracteres",
                           "message: A linha 3 deve ter no máximo 40 caracteres",
                           "message: O número da loja não pode ter mais de 4 dígitos",
                           "message: O número do equipamento não pode ter mais de 4 dígitos",
                           "message: Não é permitido deixar o campo IE em branco",
                           "message: Não é permitido deixar o campo CGC em branco"}));
    EXPECT_TRUE(driver.calls().isEmpty());
}

TEST_F(ProgrammingWindow, StoreOf9999AndEquipmentOf9999Pass) {
    openFunction(2);
    type(4, "9999");
    type(9, "9999");
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::No);
    send();
    EXPECT_EQ(driver.calls(), QStringList{cabLojaCall(kSampleLines, 9999, 9999)});
}

// A conversion error ends the handler: the busy label and the hourglass do
// not stay behind.
TEST_F(ProgrammingWindow, StoreThatIsNoNumberEndsWithTheConversionErrorAndClearsTheBusySigns) {
    openFunction(2);
    type(4, "loja");
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);
    bool busyAtError = true;
    Qt::CursorShape cursorAtError = Qt::WaitCursor;
    dialogs.onBox([&](const RecordedBox& box) {
        if (box.kind == DialogKind::Exception) {
            busyAtError = busy();
            cursorAtError = cursor();
        }
    });
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events(), (QStringList{kWarning, kColumnsQuestion,
                                         "exception: 'loja' is not a valid integer value"}));
    EXPECT_FALSE(busyAtError);
    EXPECT_EQ(cursorAtError, Qt::ArrowCursor);
    EXPECT_TRUE(form(kForm)->isVisible());
    EXPECT_EQ(edit(4)->text(), "loja");
}

// The whole tax-rate table

TEST_F(ProgrammingWindow, SampleTableGoesOutInHundredthsThenTheSuccessBox) {
    open();
    log.clear();
    int busyCalls = 0;
    driver.onCall("ecfCargaTabAliq", [&] { busyCalls += busy() ? 1 : 0; });
    dialogs.acknowledge();
    send();
    const QStringList expected = {rateCall(0, "500"),
                                  rateCall(1, "300"),
                                  rateCall(2, "700"),
                                  rateCall(3, "1200"),
                                  rateCall(4, "1700"),
                                  rateCall(5, "2500"),
                                  rateCall(6, "1300"),
                                  rateCall(7, "1400"),
                                  rateCall(8, "2500"),
                                  rateCall(9, "2500"),
                                  "information: As taxas foram cadastradas com sucesso!"};
    EXPECT_EQ(log.events(), expected);
    EXPECT_EQ(dialogs.boxes().last().caption, "Informação");
    EXPECT_EQ(busyCalls, 10);
    EXPECT_FALSE(busy());
}

TEST_F(ProgrammingWindow, TableRatesAreWrittenInGeneralFormAndNotRangeChecked) {
    open();
    const QStringList typed = {"0,5", "2,345", "12", "99,99", "100",
                               "0",   " 7,1 ", "-1", "1,999", "8,25"};
    for (int position = 0; position <= 9; ++position) {
        type(position + 1, typed[position]);
    }
    log.clear();
    dialogs.acknowledge();
    send();
    EXPECT_EQ(driver.calls(),
              (QStringList{rateCall(0, "50"), rateCall(1, "234,5"), rateCall(2, "1200"),
                           rateCall(3, "9999"), rateCall(4, "10000"), rateCall(5, "0"),
                           rateCall(6, "710"), rateCall(7, "-100"), rateCall(8, "199,9"),
                           rateCall(9, "825")}));
}

TEST_F(ProgrammingWindow, FailureAtPosition4StopsTheTableWithoutSuccessBox) {
    open();
    driver.queueResults("ecfCargaTabAliq", {0, 0, 0, 0, 25});
    dialogs.acknowledge();
    log.clear();
    send();
    EXPECT_EQ(log.events(),
              (QStringList{rateCall(0, "500"), rateCall(1, "300"), rateCall(2, "700"),
                           rateCall(3, "1200"), rateCall(4, "1700"),
                           "message: Durante a carga da alíquota 4 ocorreu o seguinte erro: 25"}));
}

TEST_F(ProgrammingWindow, RateThatIsNoNumberStopsTheTableWhereItStands) {
    open();
    type(7, "treze");
    dialogs.acknowledge();
    log.clear();
    send();
    EXPECT_EQ(log.events(),
              (QStringList{rateCall(0, "500"), rateCall(1, "300"), rateCall(2, "700"),
                           rateCall(3, "1200"), rateCall(4, "1700"), rateCall(5, "2500"),
                           "exception: 'treze' is not a valid floating point value"}));
    EXPECT_FALSE(busy());
}

// One tax rate

TEST_F(ProgrammingWindow, OneRateWithNothingChosenShowsTheChoiceMessageOnly) {
    openFunction(4);
    dialogs.acknowledge();
    send();
    EXPECT_EQ(
        log.events(),
        QStringList{"message: É necessário que você escolha qual alíquota deseja cadastrar."});
}

struct OneRateCase {
    const char* name;
    const char* typed;
    int position;  // -1: nothing chosen
    QStringList events;
};

void PrintTo(const OneRateCase& rateCase, std::ostream* out) {
    *out << rateCase.name;
}

class OneRate : public ProgrammingWindow, public ::testing::WithParamInterface<OneRateCase> {};

TEST_P(OneRate, SendsOrRefuses) {
    openFunction(4);
    type(5, QString::fromUtf8(GetParam().typed));
    if (GetParam().position >= 0) {
        rateList()->setCurrentIndex(GetParam().position);
    }
    for (const QString& event : GetParam().events) {
        if (!event.startsWith("ecf")) {
            dialogs.acknowledge();
        }
    }
    send();
    EXPECT_EQ(log.events(), GetParam().events);
}

const QString kChoice =
    QStringLiteral("message: É necessário que você escolha qual alíquota deseja cadastrar.");
const QString kRange =
    QStringLiteral("message: A impressora não suporta alíquotas que não estejam entre 0% e 99,99%");
const QString kRateDone = QStringLiteral("information: A taxa foi cadastrada com sucesso!");

INSTANTIATE_TEST_SUITE_P(
    Cases, OneRate,
    ::testing::Values(
        OneRateCase{"Sample", "2,30", 0, {rateCall(0, "230"), kRateDone}},
        OneRateCase{"Top", "99,99", 9, {rateCall(9, "9999"), kRateDone}},
        OneRateCase{"Zero", "0", 3, {rateCall(3, "0"), kRateDone}},
        OneRateCase{"Hundred", "100", 2, {kRange}}, OneRateCase{"Negative", "-0,01", 2, {kRange}},
        OneRateCase{"HundredAndNothingChosen", "100", -1, {kChoice, kRange}},
        OneRateCase{"Empty", "", -1, {"message: É necessário você informar o valor da taxa"}},
        OneRateCase{"FractionOfAHundredth",
                    "2,345",
                    1,
                    {"exception: '234,5' is not a valid integer value"}},
        OneRateCase{
            "NoNumber", "dez", 1, {"exception: 'dez' is not a valid floating point value"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgrammingWindow, RefusedRateShowsTheResultAndNoSuccess) {
    openFunction(4);
    rateList()->setCurrentIndex(5);
    driver.setResult("ecfCargaTabAliq", 25);
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events(),
              (QStringList{rateCall(5, "230"), "message: Ocorreu o seguinte erro: 25"}));
}

TEST_F(ProgrammingWindow, RateListChoiceIsKeptAcrossShowings) {
    openFunction(4);
    rateList()->setCurrentIndex(6);
    click(kForm, "Button2");
    open();
    choose(4);
    EXPECT_EQ(rateList()->currentIndex(), 6);
    EXPECT_EQ(rateList()->currentText(), "Alíquota 6");
}

// Product-code size

class CodeSize : public ProgrammingWindow, public ::testing::WithParamInterface<const char*> {};

TEST_P(CodeSize, OutOfRangeShowsTheRangeMessageAndNoCall) {
    openFunction(5);
    type(7, QString::fromLatin1(GetParam()));
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events(), QStringList{"message: O tamanho do código de produto deve valer no "
                                        "mínimo 1 e no máximo 13"});
}

INSTANTIATE_TEST_SUITE_P(Sizes, CodeSize, ::testing::Values("0", "14", "-1", "2147483647"));

TEST_F(ProgrammingWindow, CodeSizesOneAndThirteenAreSent) {
    openFunction(5);
    dialogs.acknowledge(2);
    send();
    type(7, "1");
    send();
    const QString done =
        QStringLiteral("information: O tamanho do código de produto foi alterado com sucesso");
    EXPECT_EQ(log.events(), (QStringList{"ecfPrgCod(13)", done, "ecfPrgCod(1)", done}));
}

TEST_F(ProgrammingWindow, CodeSizeResult79RemindsOfTheModel) {
    openFunction(5);
    driver.setResult("ecfPrgCod", 79);
    dialogs.acknowledge(2);
    send();
    EXPECT_EQ(log.events(),
              (QStringList{"ecfPrgCod(13)", "message: Ocorreu o erro número 79",
                           "information: Lembre-se que esta função funciona apenas nas "
                           "impressoras modelo Kolvex"}));
}

TEST_F(ProgrammingWindow, CodeSizeOtherResultShowsOnlyTheNumber) {
    openFunction(5);
    driver.setResult("ecfPrgCod", 12);
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events(), (QStringList{"ecfPrgCod(13)", "message: Ocorreu o erro número 12"}));
}

TEST_F(ProgrammingWindow, CodeSizeThatIsNoNumberEndsWithTheConversionError) {
    openFunction(5);
    type(7, "");
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events(), QStringList{"exception: '' is not a valid integer value"});
}

// Encrypted code

TEST_F(ProgrammingWindow, DefaultSymbolsGoOutInDigitOrder) {
    openFunction(6);
    QString symbols;
    for (int n = 1; n <= 10; ++n) {
        symbols += edit(n)->text();
    }
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events(),
              (QStringList{QStringLiteral("ecfCargaCodCripto(\"%1\")").arg(symbols),
                           "information: Seu novo criptograma foi cadastrado com sucesso!"}));
}

TEST_F(ProgrammingWindow, TypedSymbolsAreSentUncheckedForRepeatsOrDigits) {
    openFunction(6);
    const QString typed = "AA3456789Z";
    for (int n = 1; n <= 10; ++n) {
        type(n, typed.mid(n - 1, 1));
    }
    dialogs.acknowledge();
    send();
    EXPECT_EQ(driver.calls(), QStringList{"ecfCargaCodCripto(\"AA3456789Z\")"});
}

TEST_F(ProgrammingWindow, EmptyDigit3AndTwoCharactersForDigit7GiveTwoErrorBoxesAndNoCall) {
    openFunction(6);
    type(4, "");
    type(8, "ab");
    dialogs.acknowledge(2);
    send();
    EXPECT_EQ(log.events(),
              (QStringList{"error: Verifique o símbolo usado para substituir o algarismo 3. Ele "
                           "foi informado de forma incorreta.",
                           "error: Verifique o símbolo usado para substituir o algarismo 7. Ele "
                           "foi informado de forma incorreta."}));
    EXPECT_EQ(dialogs.boxes()[0].caption, "Erro");
}

TEST_F(ProgrammingWindow, RefusedSymbolsShowTheErrorNumber) {
    openFunction(6);
    driver.setResult("ecfCargaCodCripto", 2);
    dialogs.acknowledge();
    send();
    EXPECT_EQ(log.events().last(), "message: Ocorreu o erro número 2");
    EXPECT_EQ(log.events().size(), 2);
}

TEST_F(ProgrammingWindow, CancelaClosesAndSendsNothing) {
    openFunction(6);
    click(kForm, "Button2");
    EXPECT_FALSE(form(kForm)->isVisible());
    EXPECT_EQ(driver.calls(), QStringList{"ecfStatusImp()"});  // the main window's activation
    EXPECT_EQ(activeForm(), form("frmMain"));
}
