#include "wincommon/programming.h"

#include "driver/fiscal_driver.h"
#include "driver/reply.h"
#include "toolkit/app_environment.h"
#include "toolkit/convert.h"
#include "toolkit/dialogs.h"
#include "wincommon/report.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

const QString kChooseRateMessage =
    QStringLiteral("É necessário que você escolha qual alíquota deseja cadastrar.");
const QString kRateRangeMessage =
    QStringLiteral("A impressora não suporta alíquotas que não estejam entre 0% e 99,99%");

namespace {

// The fields that a function widens, and their width in the layout.
constexpr int kLayoutEditWidth = 51;
constexpr std::array<int, 5> kWidenedEdits = {1, 2, 3, 5, 10};

void setWidth(QWidget* widget, int width) {
    widget->resize(width, widget->height());
}

void showLabels(const ProgrammingWorkArea& area, int first, int last) {
    for (int number = first; number <= last; ++number) {
        area.label(number)->show();
    }
}

void showEdits(const ProgrammingWorkArea& area, int first, int last) {
    for (int number = first; number <= last; ++number) {
        area.edit(number)->show();
    }
}

// The PC's date and time as the six two-digit values the printer takes:
// characters 1-2, 4-5 and 7-8 of the date written dd/mm/yy and of the time
// written hh:mm:ss.
struct ClockSlices {
    QString day, month, year, hour, minute, second;
};

ClockSlices pcClock() {
    const QDateTime now = currentDateTime();
    const QString date = now.date().toString(QStringLiteral("dd/MM/yy"));
    const QString time = now.time().toString(QStringLiteral("hh:mm:ss"));
    return {date.mid(0, 2), date.mid(3, 2), date.mid(6, 2),
            time.mid(0, 2), time.mid(3, 2), time.mid(6, 2)};
}

}  // namespace

void showWorkAreaMode(const ProgrammingWorkArea& area, int mode) {
    for (QLabel* label : area.labels) {
        label->hide();
    }
    for (QLineEdit* edit : area.edits) {
        edit->hide();
    }
    area.rateList->hide();
    for (QLabel* text : area.staticTexts) {
        text->hide();
    }
    for (int number : kWidenedEdits) {
        setWidth(area.edit(number), kLayoutEditWidth);
    }

    switch (mode) {
        case 1:
            showLabels(area, 12, 17);
            showEdits(area, 11, 16);
            area.staticText(1)->show();
            area.staticText(2)->show();
            break;
        case 2:
            showLabels(area, 2, 6);
            showLabels(area, 10, 11);
            showEdits(area, 1, 5);
            showEdits(area, 9, 10);
            area.staticText(3)->show();
            break;
        case 3:
        case 6:
            showLabels(area, 2, 11);
            showEdits(area, 1, 10);
            break;
        case 4:
            area.label(3)->show();
            area.label(6)->show();
            area.label(10)->show();
            area.edit(5)->show();
            area.rateList->show();
            break;
        case 5:
            area.label(3)->show();
            area.edit(7)->show();
            break;
        default:
            break;
    }
}

BusyLabel::BusyLabel(QLabel* label) : label_(label) {
    label_->show();
}

BusyLabel::~BusyLabel() {
    label_->hide();
}

HourglassCursor::HourglassCursor(QWidget* window) : window_(window) {
    window_->setCursor(Qt::WaitCursor);
}

HourglassCursor::~HourglassCursor() {
    window_->setCursor(Qt::ArrowCursor);
}

void fillDateTimeFunction(const ProgrammingWorkArea& area) {
    const ClockSlices clock = pcClock();
    area.edit(11)->setText(clock.hour);
    area.edit(12)->setText(clock.minute);
    area.edit(13)->setText(clock.second);
    area.edit(14)->setText(clock.day);
    area.edit(15)->setText(clock.month);
    area.edit(16)->setText(clock.year);

    int32_t kind = 1;
    const QByteArray reply = fiscalDriver().ecfStatusCupom(&kind);
    if (isFailureReply(reply)) {
        reportFailureReply(reply);
        area.label(14)->setText(QStringLiteral(" ----- "));
        area.label(15)->setText(QStringLiteral(" ----- "));
    } else {
        area.label(14)->setText(sliceField(reply, CouponStatusFields::Time));
        area.label(15)->setText(sliceField(reply, CouponStatusFields::Date));
    }
}

void sendPcDateTime(const ProgrammingWorkArea& area) {
    // The fields only have to be there and numeric; their values go nowhere.
    int filled = 0;
    for (int number = 11; number <= 16; ++number) {
        const QString text = area.edit(number)->text();
        if (!text.isEmpty()) {
            StrToInt(text);
            ++filled;
        }
    }
    if (filled < 6) {
        showMessage(
            QStringLiteral("Algum campo permaneceu vazio. Verifique o correto preenchimento das "
                           "informações pedidas."));
        return;
    }
    const ClockSlices clock = pcClock();
    const int32_t result = fiscalDriver().ecfAcertaData(
        StrToInt(clock.day), StrToInt(clock.month), StrToInt(clock.year), StrToInt(clock.hour),
        StrToInt(clock.minute), StrToInt(clock.second));
    reportResult(QStringLiteral("ecfAcertaData retornou "), result);
}

void fillHeaderSamples(const ProgrammingWorkArea& area) {
    area.label(2)->setText(QStringLiteral("Line 1"));
    area.label(3)->setText(QStringLiteral("Line 2"));
    area.label(4)->setText(QStringLiteral("Line 3"));
    area.label(5)->setText(QStringLiteral("Loja"));
    area.label(10)->setText(QStringLiteral("Equip."));
    area.label(6)->setText(QStringLiteral("IE = "));
    area.label(11)->setText(QStringLiteral("CGC = "));
    // 48 columns under the ruler.
    setWidth(area.edit(1), 396);
    setWidth(area.edit(2), 396);
    setWidth(area.edit(3), 396);
    setWidth(area.edit(5), 135);
    setWidth(area.edit(10), 160);
    area.edit(1)->setText(QStringLiteral("Em geral mostra o nome da empresa /loja"));
    area.edit(2)->setText(QStringLiteral("Primeira linha de endereco da loja"));
    area.edit(3)->setText(QStringLiteral("Segunda linha de endereco da loja"));
    area.edit(4)->setText(QStringLiteral("0001"));
    area.edit(9)->setText(QStringLiteral("0001"));
    area.edit(5)->setText(QStringLiteral("123456789012345"));
    area.edit(10)->setText(QStringLiteral("123456789012345678"));
}

void programNewHeader(QWidget* window, const ProgrammingWorkArea& area,
                      const QString& abortedMessage,
                      const std::function<void(const HeaderFields&)>& send) {
    // The system box has no way out but its two buttons: only Yes goes on.
    const DialogAnswer goOn = askSystemYesNo(
        QStringLiteral("Aviso"),
        QStringLiteral("Este procedimento é irreversível e altera o atual cabeçalho de sua "
                       "impressora. Deseja continuar?"));
    if (goOn != DialogAnswer::Yes) {
        showMessage(abortedMessage);
        return;
    }
    // A question closed without an answer leaves the lines unlimited.
    std::optional<int> columns;
    switch (askConfirmation(QStringLiteral("A impressora fiscal é de 40 colunas?"))) {
        case DialogAnswer::Yes:
            columns = 40;
            break;
        case DialogAnswer::No:
            columns = 48;
            break;
        default:
            break;
    }

    const HourglassCursor hourglass(window);
    // Every check runs, so that the operator sees all that is wrong at once.
    bool refused = false;
    HeaderFields header;
    header.line1 = area.edit(1)->text();
    header.line2 = area.edit(2)->text();
    header.line3 = area.edit(3)->text();
    const std::array<const QString*, 3> lines = {&header.line1, &header.line2, &header.line3};
    for (int index = 0; index < 3; ++index) {
        if (columns && lines[index]->size() > *columns) {
            showMessage(QStringLiteral("A linha %1 deve ter no máximo %2 caracteres")
                            .arg(index + 1)
                            .arg(*columns));
            refused = true;
        }
    }
    header.store = StrToInt(area.edit(4)->text());
    if (header.store > 9999) {
        showMessage(QStringLiteral("O número da loja não pode ter mais de 4 dígitos"));
        refused = true;
    }
    header.equipment = StrToInt(area.edit(9)->text());
    if (header.equipment > 9999) {
        showMessage(QStringLiteral("O número do equipamento não pode ter mais de 4 dígitos"));
        refused = true;
    }
    header.ie = area.edit(5)->text();
    if (header.ie.isEmpty()) {
        showMessage(QStringLiteral("Não é permitido deixar o campo IE em branco"));
        refused = true;
    }
    header.cgc = area.edit(10)->text();
    if (header.cgc.isEmpty()) {
        showMessage(QStringLiteral("Não é permitido deixar o campo CGC em branco"));
        refused = true;
    }
    if (!refused) {
        send(header);
    }
}

void fillSingleRateSamples(const ProgrammingWorkArea& area) {
    area.label(3)->setText(QStringLiteral("Taxa:"));
    area.label(6)->setText(QStringLiteral("Valor"));
    area.label(10)->setText(QStringLiteral("Informe o valor com vírgula. (p.ex.: 25,00)"));
    area.edit(5)->setText(QStringLiteral("2,30"));
}

QString rateHundredthsText(const QString& typed) {
    return FloatToStr(StrToFloat(typed) * 100);
}

int32_t rateHundredths(const QString& typed) {
    return StrToInt(rateHundredthsText(typed));
}

bool rateInRange(int32_t hundredths) {
    return hundredths >= 0 && hundredths <= 9999;
}

void fillCodeSizeSamples(const ProgrammingWorkArea& area) {
    area.label(3)->setText(QStringLiteral("Tamanho do código do produto:"));
    area.edit(7)->setText(QStringLiteral("13"));
}

std::optional<int32_t> checkedCodeSize(const ProgrammingWorkArea& area) {
    const int32_t size = StrToInt(area.edit(7)->text());
    if (size < 1 || size > 13) {
        showMessage(
            QStringLiteral("O tamanho do código de produto deve valer no mínimo 1 e no máximo 13"));
        return std::nullopt;
    }
    return size;
}

void fillSymbolSamples(const ProgrammingWorkArea& area, const QString& symbols) {
    for (int digit = 0; digit <= 9; ++digit) {
        area.label(digit + 2)->setText(QStringLiteral("%1 = ").arg(digit));
        area.edit(digit + 1)->setText(symbols.mid(digit, 1));
    }
}

std::optional<QString> checkedSymbols(
    const ProgrammingWorkArea& area,
    const std::function<void(int digit, const QString& message)>& report) {
    QString code;
    bool valid = true;
    for (int digit = 0; digit <= 9; ++digit) {
        const QString symbol = area.edit(digit + 1)->text();
        if (symbol.size() != 1) {
            report(digit, QStringLiteral("Verifique o símbolo usado para substituir o algarismo "
                                         "%1. Ele foi informado de forma incorreta.")
                              .arg(digit));
            valid = false;
        } else {
            code.append(symbol);
        }
    }
    if (!valid) {
        return std::nullopt;
    }
    return code;
}
