// The front panel on a real X server with a window manager (run through
// scripts/with-desktop.sh): following the memory never takes the focus from
// the bench's window, and the keyboard reaches the trace's copy shortcut.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QLocale>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include "ecfpainel/paperview.h"
#include "ecfpainel/traceview.h"
#include "panel_fixture.h"

namespace {

bool activate(QWidget* window) {
    window->raise();
    window->activateWindow();
    return waitUntil([window] { return QApplication::activeWindow() == window; }, 3000);
}

}  // namespace

class PanelOnTheDesktop : public PanelTest {};

TEST_F(PanelOnTheDesktop, FollowingNeverTakesTheFocusFromTheBench) {
    ASSERT_EQ(ecfLeituraX("OPERADOR"), 0);
    PanelWindow& p = openPanel();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p));

    // The bench's window, where the operator types.
    QWidget bench;
    bench.setWindowTitle(QStringLiteral("Bancada"));
    auto* field = new QLineEdit(&bench);
    (new QVBoxLayout(&bench))->addWidget(field);
    bench.resize(300, 80);
    bench.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bench));
    ASSERT_TRUE(activate(&bench)) << "the window manager activated the bench";
    field->setFocus();
    ASSERT_TRUE(waitUntil([field] { return field->hasFocus(); }, 2000));

    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVenda_Item("789", "CAFE", "1", "000", "100", 0), 0);
    ASSERT_EQ(ecfStatusImp()[0] != 'E', true);
    ASSERT_TRUE(waitUntil(
        [&p] { return p.paper()->toPlainText().contains(QStringLiteral("CAFE")); }, 2000));
    // A failed call and a control's change made elsewhere are followed too.
    ASSERT_EQ(ecfFimTrans("OPERADOR"), 15);
    ASSERT_TRUE(waitUntil(
        [&p] {
            auto* m = p.trace()->model();
            return m->rowCount() > 0 && m->row(m->rowCount() - 1).function == "ecfFimTrans";
        },
        2000));

    EXPECT_EQ(QApplication::activeWindow(), &bench);
    EXPECT_TRUE(field->hasFocus());
    QTest::keyClicks(field, QStringLiteral("abc"));
    EXPECT_EQ(field->text(), QStringLiteral("abc"));
}

TEST_F(PanelOnTheDesktop, CtrlCInTheTraceCopiesTheSelectedCalls) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVenda_Item("789", "CAFE", "1", "000", "100", 0), 0);
    PanelWindow& p = openPanel();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p));
    ASSERT_TRUE(activate(&p));
    QTableView* table = p.findChild<QTableView*>(QStringLiteral("callTrace"));
    ASSERT_NE(table, nullptr);
    table->setFocus();
    ASSERT_TRUE(waitUntil([table] { return table->hasFocus(); }, 2000));
    table->selectAll();
    QApplication::clipboard()->clear();
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    ASSERT_TRUE(waitUntil([] { return !QApplication::clipboard()->text().isEmpty(); }, 2000));
    const QString copied = QApplication::clipboard()->text();
    EXPECT_TRUE(copied.contains(QStringLiteral("ecfImpCab(0) = 0"))) << copied.toStdString();
    EXPECT_TRUE(copied.contains(QStringLiteral("ecfVenda_Item(\"789\", \"CAFE\"")));
}

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QApplication app(argc, argv);
    // Settings the windows keep (the panel's size, its "Manter à frente")
    // go to a folder of this run, never the home folder.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
