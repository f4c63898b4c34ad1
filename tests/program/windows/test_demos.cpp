// The demonstration window: each script's calls and messages in order,
// the steps a refusal skips and those it does not, the code page 850 lines
// and the character table byte for byte, the progress bar, and the CGC/IE
// query.
#include "driver/codepage.h"
#include "support/app_fixture.h"
#include "toolkit/tform.h"

#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <ostream>

namespace {

QString line(const QByteArray& bytes) {
    return QStringLiteral("ecfImpLinha(") + describeArgument(bytes) + QLatin1Char(')');
}

// The bytes of an ecfImpLinha call as recorded.
QByteArray lineBytes(const QString& call) {
    const QString prefix = QStringLiteral("ecfImpLinha(\"");
    EXPECT_TRUE(call.startsWith(prefix) && call.endsWith(QStringLiteral("\")")))
        << call.toStdString();
    const QString quoted = call.mid(prefix.size(), call.size() - prefix.size() - 2);
    QString text;
    for (int i = 0; i < quoted.size(); ++i) {
        if (quoted[i] == QLatin1Char('\\') && quoted.mid(i + 1, 1) == QStringLiteral("x")) {
            text += QChar(quoted.mid(i + 2, 2).toUShort(nullptr, 16));
            i += 3;
        } else if (quoted[i] == QLatin1Char('\\')) {
            text += quoted[++i];
        } else {
            text += quoted[i];
        }
    }
    return toDriverText(text);
}

const QStringList kItemHeader = {
    line("[Descricao.....................Taxa.......Valor]"),
    line("................................................"),
};

const QStringList kSampleItems = {
    "ecfVendaItem(\"Descrevendo primeiro produto\", \"1300\", 2)",
    "ecfVendaItem(\"Descrevendo segundo produto\", \"3221\", 3)",
    "ecfVendaItem(\"Descrevendo terceiro produto\", \"8754\", 3)",
    "ecfVendaItem(\"Descrevendo quarto produto\", \"98\", 1)",
    "ecfVendaItem(\"Descrevendo quinto produto\", \"432\", 1)",
};

const QString kDiscount = "ecfCancAcresDescSubTotal(0, 0, \"Desconto do subtotal\", \"300\")";
const QString kDiscountCancelled =
    "ecfCancAcresDescSubTotal(0, 1, \"Desconto cancelado\", \"300\")";
const QString kSurcharge = "ecfCancAcresDescSubTotal(1, 0, \"Acrescimo no subtotal\", \"120\")";
const QString kPaymentOnTerms = "ecfPrazoCancPrazo(0, \"cheques\", \"13925\", 0, 3)";

// What script 1 does from its payment on, once the payment is accepted.
const QStringList kTermsAndClosing = {
    "message: Agora será efetuado o pagamento a prazo",
    kPaymentOnTerms,
    "ecfLineFeed(1, 2)",
    line("1 entrada + 2 parcelas (30 e 60 dias)"),
    line("Cheques n.: 344120, 344121, 344122"),
    line("Fone p/ contato: (000)999-9999"),
    "ecfFimTrans(\"meu_nome\")",
    "ecfLineFeed(1, 7)",
    "message: Concluído",
};

// Script 3 after a first coupon, from the second header on.
const QStringList kSecondCoupon = QStringList{"ecfImpCab(31)"} + kSampleItems +
                                  QStringList{
                                      "ecfPagCancPag(0, \"cheque\", \"14000\", 0, 3)",
                                      line("Posso usar ate tres (3) linhas complementares,"),
                                      line("referentes a forma de pagamento. Podemos usar"),
                                      line("para alguma inform. adicional ou promocional."),
                                      "ecfFimTrans(\"meu_nome\")",
                                      "ecfLineFeed(1, 7)",
                                      "message: O cupom já foi fechado, mas podemos cancelá-lo "
                                      "com ecfCancDoc",
                                  };

const QStringList kFirstCoupon =
    QStringList{"ecfImpCab(60)"} + kItemHeader + kSampleItems +
    QStringList{"message: Cancelaremos o cupom estando dentro dele com ecfCancVenda",
                "ecfCancVenda(\"meu_nome\")", "ecfLineFeed(1, 7)",
                "message: Vamos abrir outro cupom..."};

}  // namespace

class DemosWindow : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
        trigger("Demonstraes1");
        log.clear();
        // The bar's position at every message box, to follow the progress.
        dialogs.onBox([this](const RecordedBox&) { progressAtBoxes.append(progress()); });
    }

    int progress() const { return control<QProgressBar>("fdemos", "ProgressBar1")->value(); }

    void run(const QString& script) {
        click("fdemos", script);
        progressAtBoxes.clear();
        click("fdemos", "Button1");
    }

    QStringList tableLines() const { return driver.callsOf("ecfImpLinha"); }

    QList<int> progressAtBoxes;
};

TEST_F(DemosWindow, MenuShowsItWithTheDefaults) {
    EXPECT_TRUE(form("fdemos")->isVisible());
    EXPECT_EQ(activeForm(), form("fdemos"));
    EXPECT_EQ(form("fdemos")->windowTitle(), "Demonstrações");
    const QStringList captions = {"Venda de item com acréscimo e desconto do subtotal",
                                  "Cupom não fiscal", "Cancelamentos de venda e de cupom",
                                  "Imprimir tabela de caracteres ASCII"};
    for (int i = 0; i < captions.size(); ++i) {
        auto* radio = control<QRadioButton>("fdemos", QStringLiteral("RadioButton%1").arg(i + 1));
        EXPECT_EQ(radio->text(), captions[i]);
        EXPECT_EQ(radio->isChecked(), i == 1);
    }
    auto* bar = control<QProgressBar>("fdemos", "ProgressBar1");
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(control<QLabel>("fdemos", "Label3")->text(), "CGC:");
    EXPECT_EQ(control<QLabel>("fdemos", "Label1")->text(), "< numero do CGC >");
    EXPECT_EQ(control<QLabel>("fdemos", "Label4")->text(), "IE:");
    EXPECT_EQ(control<QLabel>("fdemos", "Label2")->text(), "< numero do IE >");
}

TEST_F(DemosWindow, EnterRunsTheDefaultSelectionTheQuotation) {
    dialogs.acknowledge();
    pressEnter("fdemos");
    const QStringList expected = {
        "ecfImpCab(31)",
        "ecfInicCupomNFiscal(1)",
        "ecfLineFeed(1, 2)",
        line("                 ORCAMENTO"),
        "ecfLineFeed(1, 1)",
        line("001 001/83 Descrevendo primeiro produto"),
        line("com complementos ............. R$ 23,12"),
        line("002 012/43  Descrevendo segundo produto"),
        line("com complementos ............. R$ 34,00"),
        line("003 012/43 Descrevendo terceiro produto"),
        line("com complementos ............ R$ 230,12"),
        line("004 012/43  Descrevendo quarto produto"),
        line("com complementos ............. R$ 11,12"),
        line("005 012/43 Descrevendo quinto produto"),
        line("com complementos ............. R$ 33,00"),
        "ecfLineFeed(1, 1)",
        line("TOTALIZANDO: ................ R$ 331,36"),
        "ecfLineFeed(1, 1)",
        line("     Campo Sereno, 22 de junho de 1999."),
        "ecfLineFeed(1, 2)",
        line("    Voce pode utilizar esta fun\x87\xC6o"),
        line("para fazer os mais variados relat\xA2rios, "),
        line("or\x87"
             "amentos, carn\x88s ou recibos."),
        "ecfLineFeed(1, 1)",
        "ecfFimTrans(\"any_name\")",
        "message: Concluido",
        "ecfLineFeed(1, 7)",
    };
    EXPECT_EQ(log.events(), expected);
    EXPECT_EQ(progressAtBoxes, QList<int>{100});
    EXPECT_TRUE(form("fdemos")->isVisible());
}

TEST_F(DemosWindow, QuotationAccentsAreCodePage850Bytes) {
    dialogs.acknowledge();
    run("RadioButton2");
    const QStringList lines = tableLines();
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lineBytes(lines[lines.size() - 3]), QByteArray("    Voce pode utilizar esta fun"
                                                             "\x87\xc6"
                                                             "o"));
    EXPECT_EQ(lineBytes(lines[lines.size() - 2]), QByteArray("para fazer os mais variados relat"
                                                             "\xa2"
                                                             "rios, "));
    EXPECT_EQ(lineBytes(lines.last()), QByteArray("or\x87"
                                                  "amentos, carn\x88"
                                                  "s ou recibos."));
}

TEST_F(DemosWindow, QuotationWithTheHeaderRefusedStopsAtOnce) {
    driver.setResult("ecfImpCab", 23);
    dialogs.acknowledge();
    run("RadioButton2");
    EXPECT_EQ(log.events(), (QStringList{"ecfImpCab(31)", "message: Ocorreu o seguinte erro: 23"}));
    EXPECT_TRUE(form("fdemos")->isVisible());
}

TEST_F(DemosWindow, SubtotalScriptRunsTheWholeCoupon) {
    dialogs.acknowledge(4);
    run("RadioButton1");
    const QStringList expected =
        QStringList{"ecfImpCab(60)"} + kItemHeader + kSampleItems +
        QStringList{"ecfSubTotal()",
                    kDiscount,
                    "message: Vamos agora cancelar o desconto no subtotal...",
                    kDiscountCancelled,
                    "message: Acrescendo um valor no subtotal...",
                    "ecfSubTotal()",
                    kSurcharge} +
        kTermsAndClosing;
    EXPECT_EQ(log.events(), expected);
    // The progress moves forward and ends full.
    ASSERT_EQ(progressAtBoxes.size(), 4);
    EXPECT_GT(progressAtBoxes[0], 0);
    EXPECT_TRUE(std::is_sorted(progressAtBoxes.begin(), progressAtBoxes.end()));
    EXPECT_LT(progressAtBoxes[2], 100);
    EXPECT_EQ(progressAtBoxes[3], 100);
}

TEST_F(DemosWindow, SubtotalScriptWithTheHeaderRefusedStillCancelsAndPays) {
    // The header's refusal is not shown; the cancellation is tried anyway.
    driver.setResult("ecfImpCab", 12);
    dialogs.acknowledge(2);
    run("RadioButton1");
    EXPECT_EQ(log.events(), (QStringList{"ecfImpCab(60)", kDiscountCancelled} + kTermsAndClosing));
}

TEST_F(DemosWindow, SubtotalScriptWithTheHeaderAndTheCancellationRefused) {
    driver.setResult("ecfImpCab", 12);
    driver.setResult("ecfCancAcresDescSubTotal", 12);
    driver.setResult("ecfPrazoCancPrazo", 12);
    dialogs.acknowledge(3);
    run("RadioButton1");
    EXPECT_EQ(log.events(),
              (QStringList{"ecfImpCab(60)", kDiscountCancelled,
                           "message: O cancelamento do desconto gerou o seguinte erro: 12",
                           "message: Agora será efetuado o pagamento a prazo", kPaymentOnTerms,
                           "message: ecfPrazoCancPrazo retornou 12"}));
    EXPECT_LT(progress(), 100);
}

TEST_F(DemosWindow, SubtotalScriptDiscountRefusedIsShownWithoutASpaceAndGoesOn) {
    driver.queueResults("ecfCancAcresDescSubTotal", {19});
    dialogs.acknowledge(5);
    run("RadioButton1");
    const QStringList events = log.events();
    const int at = events.indexOf(kDiscount);
    ASSERT_GE(at, 0);
    EXPECT_EQ(events.mid(at, 4),
              (QStringList{kDiscount, "message: Ocorreu o seguinte erro:19",
                           "message: Vamos agora cancelar o desconto no subtotal...",
                           kDiscountCancelled}));
    EXPECT_TRUE(events.contains(kSurcharge));
    EXPECT_EQ(events.last(), "message: Concluído");
}

TEST_F(DemosWindow, SubtotalScriptCancellationRefusedSkipsTheSurcharge) {
    driver.queueResults("ecfCancAcresDescSubTotal", {0, 19});
    dialogs.acknowledge(4);
    run("RadioButton1");
    const QStringList expected =
        QStringList{"ecfImpCab(60)"} + kItemHeader + kSampleItems +
        QStringList{"ecfSubTotal()", kDiscount,
                    "message: Vamos agora cancelar o desconto no subtotal...", kDiscountCancelled,
                    "message: O cancelamento do desconto gerou o seguinte erro: 19"} +
        kTermsAndClosing;
    EXPECT_EQ(log.events(), expected);
}

TEST_F(DemosWindow, SubtotalScriptSurchargeRefusedIsShownAndThePaymentFollows) {
    driver.queueResults("ecfCancAcresDescSubTotal", {0, 0, 6});
    dialogs.acknowledge(5);
    run("RadioButton1");
    const QStringList events = log.events();
    const int at = events.indexOf(kSurcharge);
    ASSERT_GE(at, 0);
    const QStringList expected =
        QStringList{kSurcharge, "message: A ativação do acréscimo gerou o seguinte erro: 6"} +
        kTermsAndClosing;
    EXPECT_EQ(events.mid(at), expected);
}

TEST_F(DemosWindow, SubtotalScriptPaymentRefusedEndsItWithTheCouponOpen) {
    driver.setResult("ecfPrazoCancPrazo", 4);
    dialogs.acknowledge(4);
    run("RadioButton1");
    const QStringList events = log.events();
    EXPECT_EQ(events.mid(events.size() - 3),
              (QStringList{"message: Agora será efetuado o pagamento a prazo", kPaymentOnTerms,
                           "message: ecfPrazoCancPrazo retornou 4"}));
    EXPECT_TRUE(driver.callsOf("ecfFimTrans").isEmpty());
    EXPECT_LT(progress(), 100);
    EXPECT_TRUE(form("fdemos")->isVisible());

    // The next run starts over from the first step with an empty bar.
    driver.setResult("ecfPrazoCancPrazo", 0);
    int progressAtHeader = -1;
    driver.onCall("ecfImpCab", [&] { progressAtHeader = progress(); });
    dialogs.acknowledge(4);
    log.clear();
    run("RadioButton1");
    EXPECT_EQ(progressAtHeader, 0);
    EXPECT_EQ(log.events().first(), "ecfImpCab(60)");
    EXPECT_EQ(log.events().last(), "message: Concluído");
}

TEST_F(DemosWindow, CancellationScriptCancelsTheSaleThenTheClosedCoupon) {
    dialogs.acknowledge(4);
    run("RadioButton3");
    const QStringList expected =
        kFirstCoupon + kSecondCoupon +
        QStringList{"ecfCancDoc(\"meu_nome\")", "message: Concluido", "ecfLineFeed(1, 7)"};
    EXPECT_EQ(log.events(), expected);
    EXPECT_EQ(progressAtBoxes.last(), 100);
    EXPECT_TRUE(std::is_sorted(progressAtBoxes.begin(), progressAtBoxes.end()));
}

TEST_F(DemosWindow, CancellationScriptFirstHeaderRefusedStillOpensTheSecondCoupon) {
    driver.queueResults("ecfImpCab", {12});
    dialogs.acknowledge(3);
    run("RadioButton3");
    const QStringList expected =
        QStringList{"ecfImpCab(60)", "message: Ocorreu o seguinte erro: 12"} + kSecondCoupon +
        QStringList{"ecfCancDoc(\"meu_nome\")", "message: Concluido", "ecfLineFeed(1, 7)"};
    EXPECT_EQ(log.events(), expected);
}

TEST_F(DemosWindow, CancellationScriptSecondHeaderRefusedStillCallsCancDoc) {
    driver.queueResults("ecfImpCab", {0, 12});
    driver.setResult("ecfCancDoc", 18);
    dialogs.acknowledge(4);
    run("RadioButton3");
    const QStringList expected =
        kFirstCoupon + QStringList{"ecfImpCab(31)", "message: Ocorreu o seguinte erro: 12",
                                   "ecfCancDoc(\"meu_nome\")",
                                   "message: Ocorreu o seguinte erro: 18"};
    EXPECT_EQ(log.events(), expected);
    EXPECT_EQ(progressAtBoxes.last(), 100);
}

TEST_F(DemosWindow, CharacterTableListsCodes30To254FiveALine) {
    int progressAtClosing = -1;
    driver.onCall("ecfFimTrans", [&] { progressAtClosing = progress(); });
    run("RadioButton4");
    const QStringList lines = tableLines();
    ASSERT_EQ(lines.size(), 45);
    const QStringList expected = QStringList{"ecfImpCab(223)", "ecfInicCupomNFiscal(1)"} + lines +
                                 QStringList{"ecfFimTrans(\"# table\")", "ecfLineFeed(1, 7)"};
    EXPECT_EQ(log.events(), expected);

    // Control bytes 30 and 31 go as they are; 32 is a blank.
    EXPECT_EQ(lineBytes(lines[0]), QByteArray("30: \x1e  31: \x1f  32:    33: !  34: \""));
    EXPECT_EQ(lineBytes(lines[13]), QByteArray("95: _  96: `  97: a  98: b  99: c"));
    EXPECT_EQ(lineBytes(lines[14]), QByteArray("100: d 101: e 102: f 103: g 104: h"));
    EXPECT_EQ(lineBytes(lines[44]),
              QByteArray("250: \xfa 251: \xfb 252: \xfc 253: \xfd 254: \xfe"));

    int expectedCode = 30;
    for (int k = 0; k < lines.size(); ++k) {
        const QByteArray bytes = lineBytes(lines[k]);
        EXPECT_EQ(bytes.size(), k < 14 ? 33 : 34) << k;
        // Every entry is "code: " and the byte of that code.
        for (int at = 0; at < bytes.size();) {
            const int colon = bytes.indexOf(':', at);
            ASSERT_GT(colon, at) << k;
            EXPECT_EQ(bytes.mid(at, colon - at).toInt(), expectedCode);
            EXPECT_EQ(static_cast<unsigned char>(bytes[colon + 2]), expectedCode);
            ++expectedCode;
            at = colon + 3;
            while (at < bytes.size() && bytes[at] == ' ') {
                ++at;
            }
        }
    }
    EXPECT_EQ(expectedCode, 255);
    EXPECT_GT(progressAtClosing, 0);
    EXPECT_EQ(progress(), 0);
}

struct TableLineRow {
    int line;
    bool checked;
    friend void PrintTo(const TableLineRow& row, std::ostream* out) { *out << row.line; }
};

class EachTableLine : public DemosWindow, public ::testing::WithParamInterface<TableLineRow> {};

TEST_P(EachTableLine, RefusedLineEndsTheTableOnlyWhereItIsChecked) {
    const TableLineRow row = GetParam();
    QList<int32_t> results(row.line, 0);
    results.append(21);
    driver.queueResults("ecfImpLinha", results);
    if (row.checked) {
        dialogs.acknowledge();
    }
    run("RadioButton4");
    QStringList expected = {"ecfImpCab(223)", "ecfInicCupomNFiscal(1)"};
    const int printed = row.checked ? row.line + 1 : 45;
    expected += tableLines().mid(0, printed);
    if (row.checked) {
        expected.append("message: Ocorreu o seguinte erro: 21");
    }
    expected += QStringList{"ecfFimTrans(\"# table\")", "ecfLineFeed(1, 7)"};
    EXPECT_EQ(tableLines().size(), printed);
    EXPECT_EQ(log.events(), expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, EachTableLine,
                         ::testing::Values(TableLineRow{0, true}, TableLineRow{11, true},
                                           TableLineRow{17, true}, TableLineRow{19, true},
                                           TableLineRow{1, false}, TableLineRow{12, false},
                                           TableLineRow{44, false}),
                         [](const auto& info) {
                             return std::string(info.param.checked ? "Checked" : "Unchecked") +
                                    std::to_string(info.param.line);
                         });

TEST_F(DemosWindow, CharacterTableWithTheHeaderRefusedStillClosesAndFeeds) {
    driver.setResult("ecfImpCab", 12);
    dialogs.acknowledge();
    run("RadioButton4");
    EXPECT_EQ(log.events(), (QStringList{"ecfImpCab(223)", "message: Ocorreu o seguinte erro: 12",
                                         "ecfFimTrans(\"# table\")", "ecfLineFeed(1, 7)"}));
}

TEST_F(DemosWindow, CharacterTableLineFeedRefusedIsShownWithTheBarEmpty) {
    driver.setResult("ecfLineFeed", 21);
    dialogs.acknowledge();
    run("RadioButton4");
    EXPECT_EQ(log.events().mid(log.events().size() - 3),
              (QStringList{"ecfFimTrans(\"# table\")", "ecfLineFeed(1, 7)",
                           "message: Ocorreu o seguinte erro: 21"}));
    EXPECT_EQ(progressAtBoxes, QList<int>{0});
}

TEST_F(DemosWindow, CurrentUserShowsCgcAndIe) {
    driver.setReply("ecfCGC_IE", "12.345.678/0001-90123.456.789.012");
    click("fdemos", "Button3");
    EXPECT_EQ(log.events(), QStringList{"ecfCGC_IE()"});
    EXPECT_EQ(control<QLabel>("fdemos", "Label1")->text(), "12.345.678/0001-90");
    EXPECT_EQ(control<QLabel>("fdemos", "Label2")->text(), "123.456.789.012");
}

TEST_F(DemosWindow, CurrentUserFailureShowsTheReplyAndKeepsThePlaceholders) {
    driver.setReply("ecfCGC_IE", "Erro: 079 Impressora nao responde");
    dialogs.acknowledge();
    click("fdemos", "Button3");
    EXPECT_EQ(log.events(),
              (QStringList{"ecfCGC_IE()", "message: Ocorreu Erro: 079 Impressora nao responde"}));
    EXPECT_EQ(control<QLabel>("fdemos", "Label1")->text(), "< numero do CGC >");
    EXPECT_EQ(control<QLabel>("fdemos", "Label2")->text(), "< numero do IE >");
}

TEST_F(DemosWindow, CurrentUserOnlyTheFirstFourCharactersTellAFailure) {
    driver.setReply("ecfCGC_IE", " Erro             IE Erro");
    click("fdemos", "Button3");
    EXPECT_EQ(control<QLabel>("fdemos", "Label1")->text(), " Erro             ");
    EXPECT_EQ(control<QLabel>("fdemos", "Label2")->text(), "IE Erro");
}

TEST_F(DemosWindow, CancelaClosesTheWindow) {
    click("fdemos", "Button2");
    EXPECT_EQ(log.events(), QStringList{"ecfStatusImp()"});
    EXPECT_FALSE(form("fdemos")->isVisible());
    EXPECT_EQ(activeForm(), form("frmMain"));
}
