// The front panel over a memory written through the driver's C interface:
// the paper, the trace and the state as the memory changes. The controls,
// following live and the messages of an unreadable memory are in
// test_panel_controls.cpp.
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
#include <QStandardPaths>
#include <QTableView>
#include <QTableWidget>
#include <QTextCursor>
#include <QTimer>

#include <sqlite3.h>

#include "core/store.h"
#include "ecfpainel/controlsview.h"
#include "ecfpainel/paperview.h"
#include "ecfpainel/stateview.h"
#include "ecfpainel/traceview.h"
#include "panel_fixture.h"
#include "panel_helpers.h"

QStringList PanelTest::paperLines() const {
    return window_->paper()->toPlainText().split(QLatin1Char('\n'));
}

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

// The paper and its PDF show the characters the program sent in Windows
// Latin, those code page 850 lacks (the euro sign) included.
TEST_F(PaperRoll, ShowsAndSavesTheProgramsCharacters) {
    openCouponWithTwoItems();
    ASSERT_EQ(ecfVenda_Item("321", "MA\xC7\xC3 \x80 P\xCARA", "1", "000", "100", 0), 0);
    PanelWindow& p = openPanel();
    const QStringList lines = paperLines();
    EXPECT_GE(lineWith(lines, QStringLiteral("001 789 CAFÉ TORRADO")), 0)
        << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_GE(lineWith(lines, QStringLiteral("003 321 MAÇÃ € PÊRA")), 0)
        << lines.join(QLatin1Char('\n')).toStdString();

    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils, scripts/install-deps.sh --tests) is missing: "
                        "the PDF's text cannot be read";
    const QString file = folder() + QStringLiteral("/bobina.pdf");
    QString failure;
    ASSERT_TRUE(p.savePdf(file, &failure)) << failure.toStdString();
    QProcess reader;
    reader.start(pdftotext, {file, QStringLiteral("-")});
    ASSERT_TRUE(reader.waitForFinished(60000));
    const QString text = QString::fromUtf8(reader.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QStringLiteral("CAFÉ TORRADO"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("MAÇÃ € PÊRA"))) << text.toStdString();
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

// A refusal shows the printer's reason in its own column, the code's meaning
// and the reason in the result's tooltip; the filter can keep refusals only;
// the PDF lists them after the paper.
TEST_F(CallTrace, ShowsWhyTheyWereRefusedAndCanShowOnlyRefusals) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVendaItem("CAFE", "100", 77), 2);
    ASSERT_EQ(ecfVendaItem("CAFE", "100", 0), 0);
    ASSERT_EQ(ecfFimTrans("OPERADOR"), 15);
    PanelWindow& p = openPanel();
    TraceModel* model = p.trace()->model();
    ASSERT_EQ(model->rowCount(), 4);
    auto cell = [&](int row, int column, int role = Qt::DisplayRole) {
        return model->data(model->index(row, column), role).toString();
    };
    EXPECT_EQ(model->headerData(TraceModel::Reason, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Motivo"));
    EXPECT_TRUE(cell(1, TraceModel::Reason).startsWith(QStringLiteral("alíquota 77: esperado")))
        << cell(1, TraceModel::Reason).toStdString();
    EXPECT_EQ(cell(3, TraceModel::Reason),
              QStringLiteral("ecfFimTrans antes de cobrir o total: faltam 1,00"));
    EXPECT_EQ(cell(0, TraceModel::Reason), QString());
    EXPECT_EQ(cell(2, TraceModel::Reason), QString());
    const QString tip = cell(3, TraceModel::Result, Qt::ToolTipRole);
    EXPECT_TRUE(tip.startsWith(QStringLiteral("15 — ecfFimTrans antes de os pagamentos cobrirem")))
        << tip.toStdString();
    EXPECT_TRUE(tip.contains(QStringLiteral("\nMotivo: ecfFimTrans antes de cobrir o total")))
        << tip.toStdString();
    EXPECT_TRUE(
        cell(0, TraceModel::Result, Qt::ToolTipRole).startsWith(QStringLiteral("0 — aceito")));

    QTableView* table = find<QTableView>(&p, "callTrace");
    QCheckBox* refusals = find<QCheckBox>(&p, "traceRefusalsOnly");
    refusals->setChecked(true);
    ASSERT_EQ(table->model()->rowCount(), 2);
    EXPECT_EQ(table->model()->index(0, TraceModel::Function).data().toString(), "ecfVendaItem");
    EXPECT_EQ(table->model()->index(1, TraceModel::Function).data().toString(), "ecfFimTrans");
    // With a function chosen too, both must hold.
    QComboBox* filter = find<QComboBox>(&p, "traceFilter");
    filter->setCurrentIndex(filter->findData(QStringLiteral("ecfFimTrans")));
    EXPECT_EQ(table->model()->rowCount(), 1);
    refusals->setChecked(false);
    filter->setCurrentIndex(0);
    EXPECT_EQ(table->model()->rowCount(), 4);

    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils, scripts/install-deps.sh --tests) is missing: "
                        "the PDF's text cannot be read";
    const QString file = folder() + QStringLiteral("/bobina.pdf");
    QString failure;
    ASSERT_TRUE(p.savePdf(file, &failure)) << failure.toStdString();
    QProcess reader;
    reader.start(pdftotext, {file, QStringLiteral("-")});
    ASSERT_TRUE(reader.waitForFinished(60000));
    const QString text = QString::fromUtf8(reader.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QStringLiteral("CHAMADAS RECUSADAS (2)"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("faltam 1,00"))) << text.toStdString();
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
