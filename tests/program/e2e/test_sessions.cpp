// Sessions recorded while the real windows run on the emulated printer,
// then replayed by ecfsim's replay, two days later by the PC's clock: a day
// of coupons, a non-fiscal document and the X and Z, and the three
// demonstration scripts, each with no difference.
#include "e2e/e2e_fixture.h"
#include "ecfsim/replay.h"
#include "ecfsim/session.h"
#include "meu_pr/meu_pr.h"

#include <QComboBox>
#include <QDir>

class RecordedSessions : public EndToEnd {
protected:
    std::string memory() const { return databasePath().toStdString(); }

    void startRecording() {
        ecfsim::Result started = ecfsim::recordStart(memory());
        ASSERT_TRUE(started.ok) << started.error;
    }

    // Writes the session, then replays it: every call answers as recorded.
    void expectTheReplayIdentical(size_t atLeastCalls) {
        const std::string file = QDir::current().filePath("sessao.json").toStdString();
        ecfsim::Result stopped = ecfsim::recordStop(memory(), file);
        ASSERT_TRUE(stopped.ok) << stopped.error;
        ecfsim::Session session = ecfsim::readSession(file);
        EXPECT_GE(session.calls.size(), atLeastCalls);
        qputenv("ECFSIM_TIME", "2026-03-12 08:15:00");
        qputenv("TMPDIR", QFile::encodeName(QDir::currentPath()));
        ecfsim::ReplayReport report = ecfsim::replaySession(session, {});
        qputenv("ECFSIM_TIME", "2026-03-10 12:00:00");
        qunsetenv("TMPDIR");
        EXPECT_EQ(report.exitCode, 0) << ecfsim::reportText(report);
        EXPECT_EQ(report.replayed, static_cast<int64_t>(session.calls.size()));
        EXPECT_TRUE(report.notes.empty()) << report.notes.front();
    }

    void chooseEntry(const QString& formName, const QString& comboName, int index) {
        auto* combo = control<QComboBox>(formName, comboName);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
};

TEST_F(RecordedSessions, ADayOfCouponsADocumentAndTheReportsReplaysWithNoDifference) {
    startApplication();
    startRecording();
    bool first = true;
    for (const char* price : {"1250", "990"}) {
        if (first) {
            dialogs.answer(DialogAnswer::Yes);  // the printer formats the item line
            dialogs.answer(DialogAnswer::Yes);  // version 3.00
            first = false;
        }
        trigger("Cupomfiscal2");
        dialogs.clear();
        setText("frmitem4", "Edit4", "CAFE TORRADO 500G");
        setText("frmitem4", "Edit5", price);
        chooseEntry("frmitem4", "ComboBox1", 0);
        click("frmitem4", "BitBtn1");
        trigger("Pagamento1");
        chooseEntry("frmtopay", "ComboBox2", 0);
        setText("frmtopay", "Edit1", "2000");
        dialogs.acknowledge();  // "Posição na tabela: 00"
        click("frmtopay", "BitBtn1");
        trigger("Finalizavenda1");
        click("frmopera", "Button1");
        dialogs.clear();
    }
    ASSERT_EQ(printerState(), 100);
    trigger("Novinculado1");
    chooseEntry("vendcnf", "ComboBox1", 2);  // "Recebimento"
    click("vendcnf", "Button1");
    click("vendcnf", "Button2");
    trigger("Finalizavenda1");
    click("frmopera", "Button1");
    dialogs.clear();
    trigger("LeituraX1");
    click("frmopera", "Button1");
    trigger("ReduoZ1");
    click("frmopera", "Button1");
    dialogs.clear();
    ASSERT_EQ(printerState(), 115);
    expectTheReplayIdentical(20);
}

TEST_F(RecordedSessions, TheThreeDemonstrationScriptsReplayWithNoDifference) {
    changePrinter([](fiscemu::Settings& s) { s.model = fiscemu::Model::V204; });
    startApplication({DialogAnswer::No, DialogAnswer::No});
    startRecording();
    trigger("Demonstraes1");
    // Each script ends with its messages: four, one and four.
    for (const auto& [script, messages] :
         {std::pair{"RadioButton1", 4}, {"RadioButton2", 1}, {"RadioButton3", 4}}) {
        click("fdemos", script);
        dialogs.acknowledge(messages);
        click("fdemos", "Button1");
        dialogs.clear();
    }
    ASSERT_EQ(printerState(), 100);
    expectTheReplayIdentical(40);
}
