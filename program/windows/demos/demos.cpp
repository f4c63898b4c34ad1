#include "demos/demos.h"

#include "ui_demos.h"

#include "driver/fiscal_driver.h"
#include "driver/reply.h"
#include "toolkit/dialogs.h"
#include "toolkit/handlers.h"
#include "wincommon/report.h"

#include <algorithm>
#include <array>

QPointer<Tfdemos> fdemos;

namespace {

// The scripts' texts are plain ASCII, the same bytes in any code page,
// except where noted; they go to the driver as they stand.

// The header options of the scripts' documents.
constexpr int32_t SaleHeader = 60;  // free lines under the header allowed
constexpr int32_t PlainHeader = 31;
constexpr int32_t TableHeader = 223;  // no programmed lines, blank frame

const std::array<QByteArray, 2> kItemHeaderLines = {
    QByteArrayLiteral("[Descricao.....................Taxa.......Valor]"),
    QByteArray(48, '.'),
};

struct SampleItem {
    const char* description;
    const char* value;
    int32_t taxIndex;
};

// Their values add up to 13805.
const std::array<SampleItem, 5> kSampleItems = {{
    {"Descrevendo primeiro produto", "1300", 2},
    {"Descrevendo segundo produto", "3221", 3},
    {"Descrevendo terceiro produto", "8754", 3},
    {"Descrevendo quarto produto", "98", 1},
    {"Descrevendo quinto produto", "432", 1},
}};

const QByteArray kScriptOperator = QByteArrayLiteral("meu_nome");

void printLines(FiscalDriver& driver, const QList<QByteArray>& lines) {
    for (const QByteArray& line : lines) {
        driver.ecfImpLinha(line);
    }
}

void printItemHeader(FiscalDriver& driver) {
    printLines(driver, {kItemHeaderLines[0], kItemHeaderLines[1]});
}

void sellSampleItems(FiscalDriver& driver) {
    for (const SampleItem& item : kSampleItems) {
        driver.ecfVendaItem(item.description, item.value, item.taxIndex);
    }
}

void reportError(const QString& prefix, int32_t result) {
    showMessage(prefix + QString::number(result));
}

// One line of the character table: the five codes from `first`, each as
// "code: " and the byte itself; two blanks between entries of two digits,
// one between entries of three, so that every line keeps its width.
QByteArray characterTableLine(int first) {
    QByteArray line;
    for (int code = first; code < first + 5; ++code) {
        if (code > first) {
            line += code < 100 ? "  " : " ";
        }
        line += QByteArray::number(code) + ": " + static_cast<char>(code);
    }
    return line;
}

}  // namespace

Tfdemos::Tfdemos(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tfdemos>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
    setDefaultButton(ui->Button1);
    connectHandler(ui->Button1, &QPushButton::clicked, this, &Tfdemos::Button1Click);
    connectHandler(ui->Button2, &QPushButton::clicked, this, &Tfdemos::Button2Click);
    connectHandler(ui->Button3, &QPushButton::clicked, this, &Tfdemos::Button3Click);
}

Tfdemos::~Tfdemos() = default;

void Tfdemos::StartProgress(int step) {
    progressStep_ = step;
    ui->ProgressBar1->setValue(0);
}

void Tfdemos::StepIt() {
    // The bar stops at its end rather than going past it.
    ui->ProgressBar1->setValue(
        std::min(ui->ProgressBar1->value() + progressStep_, ui->ProgressBar1->maximum()));
}

void Tfdemos::FinishProgress(int position) {
    ui->ProgressBar1->setValue(position);
}

void Tfdemos::Button1Click() {
    StartProgress(10);
    if (ui->RadioButton1->isChecked()) {
        SubtotalAdjustmentsScript();
    } else if (ui->RadioButton2->isChecked()) {
        NonFiscalQuotationScript();
    } else if (ui->RadioButton3->isChecked()) {
        CancellationsScript();
    } else if (ui->RadioButton4->isChecked()) {
        CharacterTableScript();
    }
}

void Tfdemos::Button2Click() {
    Close();
}

void Tfdemos::Button3Click() {
    const QByteArray reply = fiscalDriver().ecfCGC_IE();
    // Only the start of the reply tells a failure here.
    if (reply.startsWith("Erro")) {
        showMessage(QStringLiteral("Ocorreu ") + replyText(reply));
        return;
    }
    ui->Label1->setText(sliceField(reply, CgcIeFields::Cgc));
    ui->Label2->setText(sliceField(reply, CgcIeFields::Ie));
}

// A fiscal coupon with a subtotal discount that is cancelled again, a
// surcharge, and one payment on terms that covers it all (13805 + 120).
// A refused header is remembered without a message: the coupon's own steps
// are left out, the cancellation and the payment are still tried.
void Tfdemos::SubtotalAdjustmentsScript() {
    StartProgress(5);
    FiscalDriver& driver = fiscalDriver();
    bool failed = driver.ecfImpCab(SaleHeader) != 0;
    StepIt();

    if (!failed) {
        printItemHeader(driver);
        sellSampleItems(driver);
        StepIt();
        driver.ecfSubTotal();
        const int32_t result = driver.ecfCancAcresDescSubTotal(0, 0, "Desconto do subtotal", "300");
        if (result != 0) {
            reportError(QStringLiteral("Ocorreu o seguinte erro:"), result);
        }
        StepIt();
    }
    if (!failed) {
        showMessage(QStringLiteral("Vamos agora cancelar o desconto no subtotal..."));
    }

    const int32_t cancelled = driver.ecfCancAcresDescSubTotal(0, 1, "Desconto cancelado", "300");
    if (cancelled != 0) {
        reportError(QStringLiteral("O cancelamento do desconto gerou o seguinte erro: "),
                    cancelled);
        failed = true;
    }
    StepIt();

    if (!failed) {
        showMessage(QStringLiteral("Acrescendo um valor no subtotal..."));
        driver.ecfSubTotal();
        const int32_t result =
            driver.ecfCancAcresDescSubTotal(1, 0, "Acrescimo no subtotal", "120");
        if (result != 0) {
            reportError(QStringLiteral("A ativação do acréscimo gerou o seguinte erro: "), result);
        }
        StepIt();
    }

    showMessage(QStringLiteral("Agora será efetuado o pagamento a prazo"));
    const int32_t paid = driver.ecfPrazoCancPrazo(0, "cheques", "13925", 0, 3);
    if (paid != 0) {
        reportError(QStringLiteral("ecfPrazoCancPrazo retornou "), paid);
        return;
    }
    StepIt();
    driver.ecfLineFeed(1, 2);
    // The payment's three complementary lines.
    printLines(driver, {"1 entrada + 2 parcelas (30 e 60 dias)",
                        "Cheques n.: 344120, 344121, 344122", "Fone p/ contato: (000)999-9999"});
    StepIt();
    driver.ecfFimTrans(kScriptOperator);
    driver.ecfLineFeed(1, 7);
    FinishProgress(100);
    showMessage(QStringLiteral("Concluído"));
}

// A quotation on an unlinked non-fiscal coupon. Its last three lines are
// already in the printer's code page (850), accents included, and pass
// untouched.
void Tfdemos::NonFiscalQuotationScript() {
    StartProgress(5);
    FiscalDriver& driver = fiscalDriver();
    const int32_t header = driver.ecfImpCab(PlainHeader);
    if (header != 0) {
        reportError(ResultPrefix::OcorreuErro, header);
        return;
    }
    StepIt();

    driver.ecfInicCupomNFiscal(1);
    driver.ecfLineFeed(1, 2);
    driver.ecfImpLinha("                 ORCAMENTO");
    driver.ecfLineFeed(1, 1);
    StepIt();

    printLines(driver, {
                           "001 001/83 Descrevendo primeiro produto",
                           "com complementos ............. R$ 23,12",
                           "002 012/43  Descrevendo segundo produto",
                           "com complementos ............. R$ 34,00",
                           "003 012/43 Descrevendo terceiro produto",
                           "com complementos ............ R$ 230,12",
                           "004 012/43  Descrevendo quarto produto",
                           "com complementos ............. R$ 11,12",
                           "005 012/43 Descrevendo quinto produto",
                           "com complementos ............. R$ 33,00",
                       });
    StepIt();

    driver.ecfLineFeed(1, 1);
    driver.ecfImpLinha("TOTALIZANDO: ................ R$ 331,36");
    driver.ecfLineFeed(1, 1);
    driver.ecfImpLinha("     Campo Sereno, 22 de junho de 1999.");
    driver.ecfLineFeed(1, 2);
    StepIt();

    // Code page 850: 0x87 c cedilla, 0xC6 a tilde, 0xA2 o acute, 0x88 e
    // circumflex.
    printLines(driver, {
                           QByteArrayLiteral("    Voce pode utilizar esta fun\x87\xC6"
                                             "o"),
                           QByteArrayLiteral("para fazer os mais variados relat\xA2"
                                             "rios, "),
                           QByteArrayLiteral("or\x87"
                                             "amentos, carn\x88"
                                             "s ou recibos."),
                       });
    StepIt();

    driver.ecfLineFeed(1, 1);
    driver.ecfFimTrans("any_name");
    FinishProgress(100);
    showMessage(QStringLiteral("Concluido"));
    driver.ecfLineFeed(1, 7);
}

// A coupon cancelled while open, then a coupon paid and closed that is
// cancelled afterwards. A refused header skips its own coupon only.
void Tfdemos::CancellationsScript() {
    StartProgress(5);
    FiscalDriver& driver = fiscalDriver();
    const int32_t firstHeader = driver.ecfImpCab(SaleHeader);
    StepIt();
    if (firstHeader != 0) {
        reportError(ResultPrefix::OcorreuErro, firstHeader);
    } else {
        printItemHeader(driver);
        sellSampleItems(driver);
        StepIt();
        showMessage(QStringLiteral("Cancelaremos o cupom estando dentro dele com ecfCancVenda"));
        driver.ecfCancVenda(kScriptOperator);
        driver.ecfLineFeed(1, 7);
        StepIt();
        showMessage(QStringLiteral("Vamos abrir outro cupom..."));
    }

    const int32_t secondHeader = driver.ecfImpCab(PlainHeader);
    StepIt();
    if (secondHeader != 0) {
        reportError(ResultPrefix::OcorreuErro, secondHeader);
    } else {
        sellSampleItems(driver);
        StepIt();
        driver.ecfPagCancPag(0, "cheque", "14000", 0, 3);
        // The payment's three complementary lines.
        printLines(driver, {"Posso usar ate tres (3) linhas complementares,",
                            "referentes a forma de pagamento. Podemos usar",
                            "para alguma inform. adicional ou promocional."});
        driver.ecfFimTrans(kScriptOperator);
        driver.ecfLineFeed(1, 7);
        StepIt();
        showMessage(
            QStringLiteral("O cupom já foi fechado, mas podemos cancelá-lo com ecfCancDoc"));
    }

    const int32_t cancelled = driver.ecfCancDoc(kScriptOperator);
    FinishProgress(100);
    if (cancelled != 0) {
        reportError(ResultPrefix::OcorreuErro, cancelled);
    } else {
        showMessage(QStringLiteral("Concluido"));
        driver.ecfLineFeed(1, 7);
    }
}

// Codes 30 to 254 on a non-fiscal coupon, five a line, each with its own
// byte. A few lines along the way are checked, and a refused one ends the
// table there.
void Tfdemos::CharacterTableScript() {
    constexpr int FirstCode = 30;
    constexpr int LineCount = 45;  // up to code 254
    constexpr int LinesPerStep = 9;
    FiscalDriver& driver = fiscalDriver();

    const int32_t header = driver.ecfImpCab(TableHeader);
    StepIt();
    if (header != 0) {
        reportError(ResultPrefix::OcorreuErro, header);
    } else {
        driver.ecfInicCupomNFiscal(1);
        StepIt();
        for (int k = 0; k < LineCount; ++k) {
            const int first = FirstCode + 5 * k;
            const int32_t result = driver.ecfImpLinha(characterTableLine(first));
            const bool checked = first == 30 || first == 85 || first == 115 || first == 125;
            if (checked && result != 0) {
                reportError(ResultPrefix::OcorreuErro, result);
                break;
            }
            if ((k + 1) % LinesPerStep == 0) {
                StepIt();
            }
        }
    }

    driver.ecfFimTrans("# table");
    const int32_t fed = driver.ecfLineFeed(1, 7);
    FinishProgress(0);
    if (fed != 0) {
        reportError(ResultPrefix::OcorreuErro, fed);
    }
}
