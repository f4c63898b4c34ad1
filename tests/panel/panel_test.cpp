// The front panel over a memory written through the driver's C interface:
// the paper, the trace, the state and the controls, following as the memory
// changes, and a clear message when it cannot be read.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTextCursor>
#include <QTimer>

#include <sqlite3.h>

#include "controlsview.h"
#include "core/store.h"
#include "panel_fixture.h"
#include "paperview.h"
#include "stateview.h"
#include "traceview.h"

QStringList PanelTest::paperLines() const {
    return window_->paper()->toPlainText().split(QLatin1Char('\n'));
}

namespace {

template <typename W>
W* find(QWidget* root, const char* name) {
    W* w = root->findChild<W*>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// The index of the first line at or after `from` that contains `text`; -1 if none.
int lineWith(const QStringList& lines, const QString& text, int from = 0) {
    for (int i = from; i < lines.size(); ++i)
        if (lines[i].contains(text))
            return i;
    return -1;
}

QString label(QWidget* root, const char* name) {
    QLabel* l = find<QLabel>(root, name);
    return l ? l->text() : QString();
}

// Runs `answer` on the next modal window as soon as it is shown.
void whenModalShows(const std::function<void(QWidget*)>& answer) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            answer(modal);
        }
    });
    poll->start();
}

std::string statusReply() {
    return ecfStatusImp();
}

}  // namespace

// ------------------------------------------------------------ the paper

class PaperRoll : public PanelTest {};

TEST_F(PaperRoll, ShowsHeaderItemsAndFooterInOrderWithCutLinesAndStations) {
    openCouponWithTwoItems();
    payAndClose("MARIA");
    ASSERT_EQ(ecfAutentica("AUTENTICADO 123"), 0);
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVenda_Item("111", "PAO FRANCES", "1", "000", "50", 0), 0);
    PanelWindow& p = openPanel();

    const QStringList lines = paperLines();
    const QString cut = PaperView::cutLine();
    ASSERT_GT(lines.size(), 20);
    EXPECT_TRUE(lines.first().startsWith(QLatin1String("=====")))
        << "the roll starts with the first header, no cut line above it";
    const int header = lineWith(lines, QStringLiteral("COO:000001"));
    const int title = lineWith(lines, QStringLiteral("CUPOM FISCAL"), header);
    const int first = lineWith(lines, QStringLiteral("001 789 CAFÉ TORRADO"), title);
    const int second = lineWith(lines, QStringLiteral("002 456 ACUCAR"), first);
    const int total = lineWith(lines, QStringLiteral("TOTAL R$"), second);
    const int footer = lineWith(lines, QStringLiteral("OPERADOR: MARIA"), total);
    const int cut1 = lineWith(lines, cut, footer);
    const int station = lineWith(lines, PaperView::stationMark('A'), cut1);
    const int authentication = lineWith(lines, QStringLiteral("AUTENTICADO 123"), station);
    const int cut2 = lineWith(lines, cut, authentication);
    const int header2 = lineWith(lines, QStringLiteral("COO:000002"), cut2);
    const int item2 = lineWith(lines, QStringLiteral("001 111 PAO FRANCES"), header2);
    for (int index : {header, title, first, second, total, footer, cut1, station, authentication,
                      cut2, header2, item2})
        EXPECT_GE(index, 0);
    EXPECT_EQ(station, cut1 + 1);
    EXPECT_EQ(authentication, station + 1);
    EXPECT_EQ(cut2, authentication + 1);
    EXPECT_EQ(lines.count(cut), 2);
    // Every printed line fits the printer's width.
    for (const QString& line : lines)
        EXPECT_LE(line.size(), PaperView::kColumns) << line.toStdString();
    ASSERT_EQ(p.paper()->documents().size(), 3u);
    EXPECT_EQ(p.paper()->documents()[1].station, 'A');
    EXPECT_TRUE(p.paper()->isReadOnly());
}

TEST_F(PaperRoll, FollowsTheNewestLineUnlessTheUserScrolledUp) {
    for (int i = 0; i < 3; ++i) {
        openCouponWithTwoItems();
        payAndClose("OPERADOR");
    }
    PanelWindow& p = openPanel();
    QScrollBar* bar = p.paper()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());

    ASSERT_EQ(ecfImpCab(0), 0);
    readNow();
    EXPECT_EQ(bar->value(), bar->maximum()) << "followed as it grows";
    EXPECT_GE(lineWith(paperLines(), QStringLiteral("COO:000004")), 0);

    bar->setValue(0);
    ASSERT_EQ(ecfVenda_Item("1", "ITEM NOVO", "1", "000", "100", 0), 0);
    readNow();
    EXPECT_EQ(bar->value(), 0) << "the user's place is kept";
    EXPECT_GE(lineWith(paperLines(), QStringLiteral("ITEM NOVO")), 0);
}

TEST_F(PaperRoll, SavesTheRollOrTheSelectedDocumentsAsPdf) {
    openCouponWithTwoItems();
    payAndClose("MARIA");
    ASSERT_EQ(ecfImpCab(0), 0);
    PanelWindow& p = openPanel();

    EXPECT_EQ(p.paper()->selectedDocuments().size(), 2u) << "no selection: the whole roll";
    // A selection inside the second coupon picks that coupon only.
    const QString text = p.paper()->toPlainText();
    QTextCursor cursor(p.paper()->document());
    cursor.setPosition(text.lastIndexOf(QLatin1String("COO:000002")));
    cursor.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, 5);
    p.paper()->setTextCursor(cursor);
    const auto chosen = p.paper()->selectedDocuments();
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0].coo, 2);

    const QString file = folder() + QStringLiteral("/bobina.pdf");
    QString failure;
    ASSERT_TRUE(p.savePdf(file, &failure)) << failure.toStdString();
    QFile pdf(file);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_GT(bytes.size(), 1000);

    // An empty roll is refused with a reason, and no file is left.
    EXPECT_FALSE(PaperView::writePdf({}, folder() + QStringLiteral("/vazio.pdf"), &failure));
    EXPECT_TRUE(failure.contains(QStringLiteral("vazia")));
    EXPECT_FALSE(QFile::exists(folder() + QStringLiteral("/vazio.pdf")));
    // A folder that does not exist gives a reason, not a crash.
    EXPECT_FALSE(p.savePdf(folder() + QStringLiteral("/nao/existe/b.pdf"), &failure));
    EXPECT_FALSE(failure.isEmpty());
}

// ------------------------------------------------------------ the trace

class CallTrace : public PanelTest {};

TEST_F(CallTrace, ShowsEachCallWithItsResultAndMakesFailuresStandOut) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfFimTrans("OPERADOR"), 16);
    statusReply();
    PanelWindow& p = openPanel();
    TraceModel* model = p.trace()->model();
    ASSERT_EQ(model->rowCount(), 3);
    auto cell = [&](int row, int column, int role = Qt::DisplayRole) {
        return model->data(model->index(row, column), role);
    };
    EXPECT_EQ(cell(0, TraceModel::Function).toString(), "ecfImpCab");
    EXPECT_EQ(cell(0, TraceModel::Arguments).toString(), "0");
    EXPECT_EQ(cell(0, TraceModel::Result).toString(), "0");
    EXPECT_EQ(cell(1, TraceModel::Function).toString(), "ecfFimTrans");
    EXPECT_EQ(cell(1, TraceModel::Arguments).toString(), "\"OPERADOR\"");
    EXPECT_EQ(cell(1, TraceModel::Result).toString(), "16");
    EXPECT_EQ(cell(2, TraceModel::Function).toString(), "ecfStatusImp");
    EXPECT_TRUE(cell(2, TraceModel::Result).toString().startsWith("\"01090"));
    EXPECT_FALSE(cell(0, TraceModel::Duration).toString().isEmpty());
    EXPECT_TRUE(
        cell(0, TraceModel::Time)
            .toString()
            .contains(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3}$"))));
    // Only the failed call stands out.
    EXPECT_TRUE(cell(1, TraceModel::Result, Qt::BackgroundRole).isValid());
    EXPECT_FALSE(cell(0, TraceModel::Result, Qt::BackgroundRole).isValid());
    EXPECT_FALSE(cell(2, TraceModel::Result, Qt::BackgroundRole).isValid());

    // A power cut makes the status reply an error reply: it stands out too.
    ASSERT_TRUE(p.watch()->change(
        [](fiscemu::Device& d) {
            return d.updateSettings([](fiscemu::Settings& s) { s.power = false; });
        },
        nullptr));
    EXPECT_NE(statusReply().find("Erro: 079"), std::string::npos);
    readNow();
    ASSERT_EQ(model->rowCount(), 4);
    EXPECT_TRUE(cell(3, TraceModel::Result, Qt::BackgroundRole).isValid());
}

TEST_F(CallTrace, FiltersByFunctionAndCopiesRowsAsTheTracePrintsThem) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVenda_Item("789", "A\"B", "1", "000", "100", 0), 0);
    ASSERT_EQ(ecfVenda_Item("790", "C", "1", "000", "100", 0), 0);
    PanelWindow& p = openPanel();
    QTableView* table = find<QTableView>(&p, "callTrace");
    QComboBox* filter = find<QComboBox>(&p, "traceFilter");
    ASSERT_TRUE(table && filter);
    EXPECT_EQ(table->model()->rowCount(), 3);
    filter->setCurrentIndex(filter->findText(QStringLiteral("ecfVenda_Item")));
    ASSERT_EQ(table->model()->rowCount(), 2);
    table->selectAll();
    p.trace()->copySelection();
    const QStringList copied =
        QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(copied.size(), 2);
    // Bytes escaped as the trace keeps them; the result after " = ".
    EXPECT_TRUE(copied[0].contains(
        QStringLiteral("ecfVenda_Item(\"789\", \"A\\x22B\", \"1\", \"000\", \"100\", 0) = 0")))
        << copied[0].toStdString();
    EXPECT_TRUE(copied[1].contains(QStringLiteral("\"790\"")));
    EXPECT_TRUE(copied[1].contains(QStringLiteral(" ms]")));
    filter->setCurrentIndex(0);
    EXPECT_EQ(table->model()->rowCount(), 3);
}

TEST_F(CallTrace, FollowsNewCallsUnlessTheUserScrolledUp) {
    for (int i = 0; i < 80; ++i)
        statusReply();
    PanelWindow& p = openPanel();
    QTableView* table = find<QTableView>(&p, "callTrace");
    QScrollBar* bar = table->verticalScrollBar();
    QApplication::processEvents();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(bar->maximum());
    statusReply();
    readNow();
    QApplication::processEvents();
    EXPECT_EQ(bar->value(), bar->maximum());
    bar->setValue(3);
    for (int i = 0; i < 5; ++i)
        statusReply();
    readNow();
    QApplication::processEvents();
    EXPECT_EQ(bar->value(), 3);
    EXPECT_EQ(p.trace()->model()->rowCount(), 86);
}

// ------------------------------------------------------------ the state

class PrinterState : public PanelTest {};

TEST_F(PrinterState, ShowsTheOpenCouponWithItsSubtotalAndWhatIsPaid) {
    openCouponWithTwoItems();
    PanelWindow& p = openPanel();
    EXPECT_TRUE(label(&p, "stateCode").startsWith(QStringLiteral("065")));
    EXPECT_EQ(label(&p, "stateSubtotal"), "15,50");
    EXPECT_EQ(label(&p, "statePaid"), "0,00");
    EXPECT_EQ(label(&p, "stateRemaining"), "15,50");
    EXPECT_EQ(label(&p, "stateCoo"), "000001");
    EXPECT_TRUE(label(&p, "stateDocument").contains(QStringLiteral("cupom fiscal")));
    EXPECT_TRUE(label(&p, "stateDay").contains(QStringLiteral("10/03/2026")));
    EXPECT_EQ(label(&p, "stateModel"), "ECF-IF 3.01");
    EXPECT_EQ(label(&p, "statePort"), "COM1");
    QTableWidget* items = find<QTableWidget>(&p, "stateItems");
    ASSERT_EQ(items->rowCount(), 2);
    EXPECT_EQ(items->item(0, 1)->text(), QStringLiteral("CAFÉ TORRADO"));
    EXPECT_EQ(items->item(0, 4)->text(), "12,50");

    ASSERT_EQ(ecfPagamento(0, "00", "1000", 0), 0);
    readNow();
    EXPECT_TRUE(label(&p, "stateCode").startsWith(QStringLiteral("123")));
    EXPECT_EQ(label(&p, "statePaid"), "10,00");
    EXPECT_EQ(label(&p, "stateRemaining"), "5,50");

    ASSERT_EQ(ecfPagamento(0, "00", "1000", 0), 0);
    ASSERT_EQ(ecfFimTrans("OPERADOR"), 0);
    readNow();
    EXPECT_TRUE(label(&p, "stateDocument").contains(QStringLiteral("nenhum")));
    EXPECT_EQ(label(&p, "stateGrandTotal"), "15,50");
    EXPECT_EQ(items->rowCount(), 0);
}

// ------------------------------------------------------------ the controls

class FrontPanel : public PanelTest {
protected:
    void choose(PanelWindow& p, const char* combo, const QString& text) {
        QComboBox* box = find<QComboBox>(&p, combo);
        ASSERT_TRUE(box);
        const int index = box->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    char sensor(int position) {
        const std::string reply = statusReply();
        return reply.size() >= 8 ? reply[size_t(position - 1)] : '?';
    }
};

TEST_F(FrontPanel, PowerSwitchTurnsThePrinterOffAndOn) {
    statusReply();
    PanelWindow& p = openPanel();
    QPushButton* power = find<QPushButton>(&p, "powerSwitch");
    ASSERT_TRUE(power->isCheckable());
    EXPECT_TRUE(power->isChecked());
    power->click();
    EXPECT_FALSE(power->isChecked());
    EXPECT_EQ(statusReply().rfind("Erro: 079", 0), 0u) << "the next status call is an error reply";
    EXPECT_EQ(ecfImpCab(0), 79);
    power->click();
    EXPECT_TRUE(power->isChecked());
    EXPECT_EQ(statusReply().find("Erro"), std::string::npos);
}

TEST_F(FrontPanel, SensorsDrawerInterventionAndModelAreWhatTheLibraryThenSees) {
    statusReply();
    PanelWindow& p = openPanel();
    choose(p, "paperSensor", QStringLiteral("Pouco papel"));
    EXPECT_EQ(sensor(6), '1');
    choose(p, "paperSensor", QStringLiteral("Sem papel"));
    EXPECT_EQ(ecfImpCab(0), 21);
    choose(p, "paperSensor", QStringLiteral("Papel presente"));
    EXPECT_EQ(sensor(6), '0');

    QCheckBox* auth = find<QCheckBox>(&p, "authPaper");
    EXPECT_TRUE(auth->isChecked());
    auth->click();
    EXPECT_EQ(sensor(7), '1');
    EXPECT_EQ(ecfAutentica("X"), 22);

    choose(p, "drawerSensor", QStringLiteral("Gaveta aberta"));
    EXPECT_EQ(sensor(8), '0');
    choose(p, "drawerSensor", QStringLiteral("Gaveta fechada"));
    EXPECT_EQ(sensor(8), '1');

    find<QCheckBox>(&p, "intervention")->click();
    EXPECT_EQ(statusReply().substr(2, 3), "099");
    find<QCheckBox>(&p, "intervention")->click();
    EXPECT_NE(statusReply().substr(2, 3), "099");
    EXPECT_EQ(label(&p, "stateCro"), "0002") << "leaving the intervention restarts";

    choose(p, "modelSelect", QStringLiteral("2.04"));
    EXPECT_EQ(std::string(ecfStatusTroco()).rfind("Erro: 079", 0), 0u);
    EXPECT_EQ(label(&p, "stateModel"), "ECF-IF 2.04");
    choose(p, "modelSelect", QStringLiteral("3.01"));
    EXPECT_EQ(std::string(ecfStatusTroco()).find("Erro"), std::string::npos);
}

TEST_F(FrontPanel, LatencyDelaysEachAnswerAndShowsInTheTrace) {
    statusReply();
    PanelWindow& p = openPanel();
    QSpinBox* latency = find<QSpinBox>(&p, "latency");
    latency->setValue(80);
    emit latency->editingFinished();
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(ecfLeituraX("OPERADOR"), 0);
    EXPECT_GE(clock.elapsed(), 80);
    readNow();
    TraceModel* model = p.trace()->model();
    const fiscemu::TraceRow& last = model->row(model->rowCount() - 1);
    EXPECT_EQ(last.function, "ecfLeituraX");
    EXPECT_GE(last.micros, 80000);
}

TEST_F(FrontPanel, FailNextCallAsksFunctionAndCodeAndArmsTheFault) {
    statusReply();
    PanelWindow& p = openPanel();
    whenModalShows([](QWidget* dialog) {
        EXPECT_EQ(dialog->objectName(), "dlgFalha");
        auto* function = dialog->findChild<QComboBox*>(QStringLiteral("failFunction"));
        auto* code = dialog->findChild<QSpinBox*>(QStringLiteral("failCode"));
        ASSERT_TRUE(function && code);
        EXPECT_EQ(function->findText(QStringLiteral("ChangePort")), -1);
        function->setCurrentIndex(function->findText(QStringLiteral("ecfImpCab")));
        code->setValue(7);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    find<QPushButton>(&p, "failButton")->click();
    EXPECT_TRUE(label(&p, "pendingFaults").contains(QStringLiteral("ecfImpCab responde 7")));
    EXPECT_EQ(ecfImpCab(0), 7);
    EXPECT_EQ(ecfImpCab(0), 0) << "only the next call fails";
    readNow();
    EXPECT_TRUE(label(&p, "pendingFaults").contains(QStringLiteral("nenhuma")));

    // Cancelled: nothing armed.
    whenModalShows([](QWidget* dialog) {
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    });
    find<QPushButton>(&p, "failButton")->click();
    EXPECT_TRUE(label(&p, "pendingFaults").contains(QStringLiteral("nenhuma")));
    EXPECT_EQ(ecfCancVenda("OPERADOR"), 0);
}

TEST_F(FrontPanel, NextDayAndResetWithItsConfirmation) {
    ASSERT_EQ(ecfLeituraX("OPERADOR"), 0);
    PanelWindow& p = openPanel();
    find<QPushButton>(&p, "nextDayButton")->click();
    EXPECT_EQ(statusReply().substr(2, 3), "113");
    EXPECT_TRUE(label(&p, "stateCode").startsWith(QStringLiteral("113")));

    // Não keeps the memory.
    whenModalShows([](QWidget* box) {
        EXPECT_TRUE(static_cast<QMessageBox*>(box)->text().contains(
            QStringLiteral("apaga a memória fiscal")));
        box->findChild<QPushButton*>(QStringLiteral("cancelReset"))->click();
    });
    find<QPushButton>(&p, "resetButton")->click();
    EXPECT_EQ(statusReply().substr(2, 3), "113");
    EXPECT_FALSE(p.paper()->toPlainText().isEmpty());

    whenModalShows([](QWidget* box) {
        box->findChild<QPushButton*>(QStringLiteral("confirmReset"))->click();
    });
    find<QPushButton>(&p, "resetButton")->click();
    EXPECT_EQ(statusReply().substr(2, 3), "000");
    EXPECT_EQ(label(&p, "stateCoo"), "000000");
    EXPECT_TRUE(p.paper()->toPlainText().isEmpty()) << "the wiped roll is gone from view";
    // The trace starts anew, and the new calls still arrive.
    ASSERT_EQ(ecfImpCab(0), 0);
    readNow();
    EXPECT_GE(lineWith(paperLines(), QStringLiteral("COO:000001")), 0);
    TraceModel* model = p.trace()->model();
    EXPECT_LE(model->rowCount(), 3);
    EXPECT_EQ(model->row(model->rowCount() - 1).function, "ecfImpCab");
}

TEST_F(FrontPanel, ControlsShowChangesMadeElsewhere) {
    statusReply();
    PanelWindow& p = openPanel();
    std::string error;
    auto other = fiscemu::Device::open(databasePath().toStdString(), &error);
    ASSERT_TRUE(other) << error;
    ASSERT_TRUE(other->updateSettings([](fiscemu::Settings& s) {
        s.paper = fiscemu::kPaperLowLevel;
        s.power = false;
        s.latencyMs = 250;
        s.model = fiscemu::Model::V300;
    }));
    ASSERT_TRUE(other->setFault("ecfReducaoZ", 13));
    readNow();
    EXPECT_EQ(find<QComboBox>(&p, "paperSensor")->currentText(), QStringLiteral("Pouco papel"));
    EXPECT_FALSE(find<QPushButton>(&p, "powerSwitch")->isChecked());
    EXPECT_EQ(find<QSpinBox>(&p, "latency")->value(), 250);
    EXPECT_EQ(find<QComboBox>(&p, "modelSelect")->currentText(), QStringLiteral("3.00"));
    EXPECT_TRUE(label(&p, "pendingFaults").contains(QStringLiteral("ecfReducaoZ responde 13")));
}

// ------------------------------------------------------------ live

class Live : public PanelTest {};

TEST_F(Live, PicksUpACallOfAnotherProcessWithin250ms) {
    statusReply();
    PanelWindow& p = openPanel();
    // Only the change notification can deliver it in time.
    p.watch()->setFallbackInterval(60000);
    QProcess writer;
    writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    writer.start(QStringLiteral(EMU_WRITER), {QStringLiteral("sell"), QStringLiteral("1")});
    ASSERT_TRUE(writer.waitForFinished(20000));
    ASSERT_EQ(writer.exitCode(), 0);
    QElapsedTimer clock;
    clock.start();
    const bool arrived = waitUntil(
        [&] { return lineWith(paperLines(), QStringLiteral("001 123 Produto")) >= 0; }, 250);
    std::printf("[ figures  ] the panel saw the other process's sale after %lld ms\n",
                static_cast<long long>(clock.elapsed()));
    EXPECT_TRUE(arrived);
    TraceModel* model = p.trace()->model();
    EXPECT_EQ(model->row(model->rowCount() - 1).function, "ecfVenda_Item");
    EXPECT_TRUE(label(&p, "stateCode").startsWith(QStringLiteral("065")));
}

TEST_F(Live, WaitsForAMemoryNotYetCreatedAndFollowsItOnceItIs) {
    PanelWindow& p = openPanel();
    p.watch()->setFallbackInterval(60000);
    EXPECT_TRUE(p.message()->isVisible());
    EXPECT_TRUE(p.message()->text().contains(QStringLiteral("Aguardando")));
    EXPECT_FALSE(QFile::exists(databasePath())) << "the panel creates no memory by looking";
    QProcess writer;
    writer.start(QStringLiteral(EMU_WRITER), {QStringLiteral("sell"), QStringLiteral("2")});
    ASSERT_TRUE(writer.waitForFinished(20000));
    EXPECT_TRUE(waitUntil(
        [&] { return lineWith(paperLines(), QStringLiteral("002 123 Produto")) >= 0; }, 250));
    EXPECT_FALSE(p.message()->isVisible());
}

TEST_F(Live, ReadsOnlyWhatIsNewAndStartsOverOnlyAfterAReset) {
    openCouponWithTwoItems();
    PanelWindow& p = openPanel();
    int restarts = 0, paperRows = 0, traceRows = 0;
    QObject::connect(p.watch(), &MemoryWatch::paperRestarted, [&] { ++restarts; });
    QObject::connect(p.watch(), &MemoryWatch::traceRestarted, [&] { ++restarts; });
    QObject::connect(
        p.watch(), &MemoryWatch::paperRows,
        [&](const std::vector<fiscemu::PaperRow>& rows) { paperRows += int(rows.size()); });
    QObject::connect(
        p.watch(), &MemoryWatch::traceRows,
        [&](const std::vector<fiscemu::TraceRow>& rows) { traceRows += int(rows.size()); });
    readNow();
    EXPECT_EQ(restarts, 0);
    EXPECT_EQ(paperRows, 0);
    EXPECT_EQ(traceRows, 0);
    ASSERT_EQ(ecfPagamento(0, "00", "2000", 0), 0);
    readNow();
    readNow();
    EXPECT_EQ(restarts, 0);
    EXPECT_EQ(traceRows, 1);
    EXPECT_GT(paperRows, 0);

    // Noticed by looking at the files, the same: no reading from the start.
    p.watch()->setFallbackInterval(60000);
    const int before = paperRows;
    ASSERT_EQ(ecfImpLinha("OBRIGADO PELA PREFERENCIA"), 0);
    EXPECT_TRUE(waitUntil([&] { return traceRows == 2; }, 1000));
    waitUntil([] { return false; }, 3 * MemoryWatch::kProbeMs);
    EXPECT_EQ(restarts, 0);
    EXPECT_EQ(traceRows, 2);
    EXPECT_GT(paperRows, before);
}

TEST_F(Live, FollowsAMemoryReplacedByAnotherFile) {
    openCouponWithTwoItems();
    PanelWindow& p = openPanel();
    ASSERT_GE(lineWith(paperLines(), QStringLiteral("CAFÉ TORRADO")), 0);
    p.watch()->setFallbackInterval(60000);
    // The folder wiped by hand, and the bench (another process) starts anew.
    for (const QString& name : QDir(folder()).entryList({QStringLiteral("ecfsim.db*")}))
        ASSERT_TRUE(QFile::remove(QDir(folder()).filePath(name)));
    QProcess writer;
    writer.start(QStringLiteral(EMU_WRITER), {QStringLiteral("sell"), QStringLiteral("1")});
    ASSERT_TRUE(writer.waitForFinished(20000));
    ASSERT_EQ(writer.exitCode(), 0);
    EXPECT_TRUE(waitUntil(
        [&] { return lineWith(paperLines(), QStringLiteral("001 123 Produto")) >= 0; }, 1000));
    EXPECT_EQ(lineWith(paperLines(), QStringLiteral("CAFÉ TORRADO")), -1)
        << "the old roll is gone from view";
    EXPECT_TRUE(label(&p, "stateCode").startsWith(QStringLiteral("065")));
}

// ------------------------------------------------------------ problems

class MemoryProblems : public PanelTest {};

TEST_F(MemoryProblems, ADamagedMemoryGivesAClearMessageAndIsLeftAlone) {
    QFile file(databasePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QByteArray garbage = QByteArray("isto não é um banco de dados\n").repeated(300);
    file.write(garbage);
    file.close();

    PanelWindow& p = openPanel();
    EXPECT_TRUE(p.message()->isVisible());
    EXPECT_TRUE(p.message()->text().contains(QStringLiteral("danificada")))
        << p.message()->text().toStdString();
    EXPECT_TRUE(p.message()->text().contains(databasePath()));

    // A control says it could not change it, in a box, and writes nothing.
    QString shown;
    whenModalShows([&shown](QWidget* box) {
        shown = static_cast<QMessageBox*>(box)->text();
        static_cast<QMessageBox*>(box)->accept();
    });
    find<QPushButton>(&p, "powerSwitch")->click();
    EXPECT_TRUE(shown.contains(QStringLiteral("danificada"))) << shown.toStdString();
    EXPECT_TRUE(find<QPushButton>(&p, "powerSwitch")->isChecked()) << "nothing was switched";
    readNow();
    QFile again(databasePath());
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), garbage);
    again.close();

    // "Reiniciar memória" mends it, keeping the damaged file as a copy beside it.
    whenModalShows([](QWidget* box) {
        box->findChild<QPushButton*>(QStringLiteral("confirmReset"))->click();
    });
    find<QPushButton>(&p, "resetButton")->click();
    EXPECT_FALSE(p.message()->isVisible()) << p.message()->text().toStdString();
    EXPECT_TRUE(label(&p, "stateCode").startsWith(QStringLiteral("000")));
    const QStringList copies =
        QDir(folder()).entryList({QStringLiteral("ecfsim.db.bak-*")}, QDir::Files);
    ASSERT_FALSE(copies.isEmpty());
    QFile copy(QDir(folder()).filePath(copies.first()));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), garbage);
    ASSERT_EQ(ecfImpCab(0), 0);
    readNow();
    EXPECT_GE(lineWith(paperLines(), QStringLiteral("COO:000001")), 0);
}

TEST_F(MemoryProblems, ALockedMemoryGivesAClearMessageWithoutFreezingAndRecovers) {
    openCouponWithTwoItems();
    PanelWindow& p = openPanel();
    ASSERT_FALSE(p.message()->isVisible());

    // Another process holds the memory's write lock and does not let go.
    std::string error;
    auto rival = fiscemu::Store::open(databasePath().toStdString(), &error);
    ASSERT_TRUE(rival) << error;
    ASSERT_TRUE(rival->begin());

    // Reading is not held up: the panel reads beside a writer.
    QElapsedTimer clock;
    clock.start();
    readNow();
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_FALSE(p.message()->isVisible());
    EXPECT_EQ(label(&p, "stateSubtotal"), "15,50");

    // A control cannot write: it says so in words, after a short wait.
    QString shown;
    whenModalShows([&shown](QWidget* box) {
        shown = static_cast<QMessageBox*>(box)->text();
        static_cast<QMessageBox*>(box)->accept();
    });
    clock.restart();
    find<QPushButton>(&p, "powerSwitch")->click();
    EXPECT_LT(clock.elapsed(), 2 * MemoryWatch::kWriteWaitMs + 1000);
    EXPECT_TRUE(shown.contains(QStringLiteral("ocupada"))) << shown.toStdString();
    EXPECT_TRUE(find<QPushButton>(&p, "powerSwitch")->isChecked())
        << "the switch shows the printer's setting, which did not change";

    rival->rollback();
    find<QPushButton>(&p, "powerSwitch")->click();
    EXPECT_FALSE(find<QPushButton>(&p, "powerSwitch")->isChecked());
    EXPECT_EQ(statusReply().rfind("Erro: 079", 0), 0u);
}
