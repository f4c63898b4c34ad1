// The front panel over a memory written through the driver's C interface:
// its controls, following the memory live as other processes change it, and
// a clear message when the memory cannot be read.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
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
#include "ecfsim/session.h"
#include "panel_fixture.h"
#include "panel_helpers.h"

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

TEST_F(FrontPanel, RecordSessionKeepsTheCallsUntilAFileIsNamed) {
    statusReply();
    PanelWindow& p = openPanel();
    QPushButton* record = find<QPushButton>(&p, "recordSession");
    ASSERT_TRUE(record->isCheckable());
    EXPECT_EQ(record->text(), QStringLiteral("Gravar sessão"));
    record->click();
    EXPECT_TRUE(record->isChecked());
    ASSERT_EQ(ecfImpCab(0), 0);
    statusReply();

    // No file name: the session goes on.
    whenModalShows([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    record->click();
    EXPECT_TRUE(record->isChecked());
    ASSERT_EQ(ecfVenda_Item("1", "A", "1", "000", "100", 0), 0);

    const QString file = QFileInfo(databasePath()).absolutePath() + QStringLiteral("/cupom.json");
    QString caption;
    whenModalShows([&](QWidget* dialog) {
        auto* save = static_cast<QFileDialog*>(dialog);
        caption = save->windowTitle();
        save->selectFile(file);
        static_cast<QDialog*>(save)->accept();
    });
    record->click();
    EXPECT_EQ(caption, QStringLiteral("Salvar sessão"));
    EXPECT_FALSE(record->isChecked());
    ecfsim::Session session = ecfsim::readSession(file.toStdString());
    ASSERT_EQ(session.calls.size(), 3u);
    EXPECT_EQ(session.calls[0].function, "ecfImpCab");
    EXPECT_FALSE(session.calls[0].paper.empty());
    EXPECT_EQ(session.calls[2].function, "ecfVenda_Item");
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
    // Only the probe of the memory's files can deliver it in time: the slow
    // fallback poll is pushed out of reach.
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

// A call another process made and the printer refused arrives with its
// reason, delivered by the change notification alone (the periodic read is
// put far away); the bound only keeps a broken notification from hanging.
TEST_F(Live, ShowsARefusalOfAnotherProcessWithItsReason) {
    ASSERT_EQ(ecfImpCab(0), 0);
    PanelWindow& p = openPanel();
    p.watch()->setFallbackInterval(60000);
    QProcess writer;
    writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    writer.start(QStringLiteral(EMU_WRITER), {QStringLiteral("probe")});
    ASSERT_TRUE(writer.waitForFinished(20000));
    ASSERT_TRUE(QString::fromUtf8(writer.readAllStandardOutput()).contains("RC 12"));
    TraceModel* model = p.trace()->model();
    const bool arrived = waitUntil(
        [&] {
            return model->rowCount() > 0 &&
                   model->row(model->rowCount() - 1).function == "ecfImpCab" &&
                   model->row(model->rowCount() - 1).result == "12";
        },
        5000);
    ASSERT_TRUE(arrived);
    const QModelIndex reason = model->index(model->rowCount() - 1, TraceModel::Reason);
    EXPECT_TRUE(reason.data().toString().startsWith(
        QStringLiteral("estado 090 (cabeçalho impresso, documento sem itens): o cabeçalho abre")))
        << reason.data().toString().toStdString();
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

// ------------------------------------------------------------ its window

class PanelLayout : public PanelTest {
protected:
    void TearDown() override {
        PanelTest::TearDown();
        QSettings(QStringLiteral("bancada-ecf"), QStringLiteral("ecfpainel")).clear();
    }
};

// "Manter à frente", the size and the splitters are what the last run left.
TEST_F(PanelLayout, KeepOnTopSizeAndSplittersSurviveARestart) {
    PanelWindow& first = openPanel();
    QAction* keepOnTop = find<QAction>(&first, "keepOnTop");
    ASSERT_TRUE(keepOnTop->isCheckable());
    EXPECT_EQ(keepOnTop->text(), QStringLiteral("Manter à &frente"));
    EXPECT_FALSE(keepOnTop->isChecked());
    keepOnTop->trigger();
    EXPECT_TRUE(first.keepsOnTop());
    EXPECT_TRUE(first.isVisible()) << "the new flags keep the window on the screen";
    first.resize(1100, 650);
    ASSERT_EQ(first.size(), QSize(1100, 650)) << "a size the window may take, not its default";
    auto* splitter = find<QSplitter>(&first, "mainSplitter");
    splitter->setSizes({300, 580});
    const QList<int> sizes = splitter->sizes();
    first.close();
    window_.reset();

    PanelWindow& second = openPanel();
    EXPECT_TRUE(find<QAction>(&second, "keepOnTop")->isChecked());
    EXPECT_TRUE(second.keepsOnTop());
    EXPECT_TRUE(second.restoredGeometry());
    EXPECT_EQ(second.size(), QSize(1100, 650));
    EXPECT_EQ(find<QSplitter>(&second, "mainSplitter")->sizes(), sizes);

    // Turned off, it stays off at the next start.
    find<QAction>(&second, "keepOnTop")->trigger();
    EXPECT_FALSE(second.keepsOnTop());
    window_.reset();  // ended without closing, as run.sh ends it
    PanelWindow& third = openPanel();
    EXPECT_FALSE(find<QAction>(&third, "keepOnTop")->isChecked());
    EXPECT_FALSE(third.keepsOnTop());
}

// The panel fits beside a maximised bench on a small desktop: its layout can
// shrink to a narrow column, and a first start places it at the right of the
// free area, leaving the bench's left part uncovered.
TEST_F(PanelLayout, ACompactPanelLeavesTheBenchInSight) {
    QSettings(QStringLiteral("bancada-ecf"), QStringLiteral("ecfpainel")).clear();  // a first start
    PanelWindow& p = openPanel();
    const QSize smallest = p.minimumSizeHint();
    EXPECT_LE(smallest.width(), 1024 / 2) << smallest.width();
    EXPECT_LE(smallest.height(), 768 - 100) << smallest.height();

    ASSERT_FALSE(p.restoredGeometry());
    const QRect room = p.screen()->availableGeometry();
    EXPECT_TRUE(room.contains(p.geometry()))
        << p.geometry().x() << "," << p.geometry().y() << " " << p.width() << "x" << p.height();

    for (const QRect& desk : {QRect(0, 0, 1024, 768), QRect(0, 24, 1280, 776)}) {
        const QRect placed = PanelWindow::firstRunGeometry(desk, smallest);
        EXPECT_TRUE(desk.contains(placed)) << desk.width();
        EXPECT_GE(placed.left(), desk.width() / 2) << "the bench's left half stays uncovered";
        EXPECT_GE(placed.width(), smallest.width());
        EXPECT_GE(placed.height(), desk.height() * 9 / 10) << "the whole height";
    }
}
