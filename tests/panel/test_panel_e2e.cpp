// End to end: the bench sells an item on the emulated printer while the
// front panel follows the same memory, and the panel's paper shows the line.
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QThread>

#include "e2e/e2e_fixture.h"
#include "ecfpainel/memorywatch.h"
#include "ecfpainel/panelwindow.h"
#include "toolkit/tform.h"

namespace {

bool waitUntil(const std::function<bool()>& ready, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!ready()) {
        if (clock.elapsed() > ms)
            return ready();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

}  // namespace

class PanelBesideTheBench : public EndToEnd {};

TEST_F(PanelBesideTheBench, TheBenchSellsAnItemAndThePanelShowsItsLine) {
    startApplication();
    PanelWindow panel(databasePath());
    panel.show();
    auto* paper = panel.findChild<QPlainTextEdit*>(QStringLiteral("paperRoll"));
    ASSERT_NE(paper, nullptr);

    dialogs.answer(DialogAnswer::Yes);  // the printer formats the item line
    dialogs.answer(DialogAnswer::Yes);  // version 3.00
    trigger("Cupomfiscal2");
    dialogs.clear();
    ASSERT_TRUE(form("frmitem4")->isVisible());
    EXPECT_TRUE(waitUntil([&] { return paper->toPlainText().contains("CUPOM FISCAL"); }, 1500))
        << "the header the bench printed";

    setText("frmitem4", "Edit3", "7891000100103");
    setText("frmitem4", "Edit4", "CAFE TORRADO 500G");
    setText("frmitem4", "Edit1", "002");
    setText("frmitem4", "Edit2", "000");
    setText("frmitem4", "Edit5", "1250");
    auto* combo = control<QComboBox>("frmitem4", "ComboBox1");
    combo->setCurrentIndex(0);
    emit combo->activated(0);
    click("frmitem4", "BitBtn1");
    ASSERT_TRUE(dialogs.boxes().isEmpty()) << dialogs.texts().join('\n').toStdString();
    ASSERT_EQ(driver.callsOf("ecfVenda_Item").size(), 1);

    EXPECT_TRUE(waitUntil(
        [&] { return paper->toPlainText().contains("001 7891000100103 CAFE TORRADO 500G"); }, 1500))
        << paper->toPlainText().toStdString();
    const QStringList lines = paper->toPlainText().split('\n');
    EXPECT_TRUE(lines.last().contains("25,00")) << "the item's line is the newest, at the bottom";
}
