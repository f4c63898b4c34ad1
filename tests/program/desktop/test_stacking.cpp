// Windows that raise a box, question or input box from their activation, on a
// real desktop: once the box is answered the window is the active window and
// on top, every time (each check runs many times: a race that passes once in
// two is a failure), and its activation does not run again because the box
// closed.
#include "desktop/desktop_fixture.h"
#include "meu_proj/bench_windows.h"
#include "toolkit/activation.h"
#include "toolkit/tform.h"

#include <functional>

namespace {

constexpr int kRuns = 20;

}  // namespace

class BoxesAtActivation : public DesktopFixture {
protected:
    // Shows the window through its menu item, answering its boxes with the
    // keys given, and checks that it ends in front; then closes it and
    // checks that the main window is back in front.
    void openAndCheck(const QString& menuItem, const QString& formName, const QStringList& keys,
                      const std::function<void()>& beforeEachRun = {}) {
        TForm* window = form(formName);
        ASSERT_NE(window, nullptr);
        for (int run = 0; run < kRuns; ++run) {
            SCOPED_TRACE(QStringLiteral("run %1").arg(run + 1).toStdString());
            desktopDialogs.clear();
            for (const QString& key : keys) {
                desktopDialogs.plan(key);
            }
            if (beforeEachRun) {
                beforeEachRun();
            }
            trigger(menuItem);
            // Nothing runs while the desktop settles: no activation again
            // because a box closed.
            const QStringList calls = driver.calls();
            ASSERT_TRUE(staysInFront(window));
            EXPECT_EQ(driver.calls(), calls);
            EXPECT_EQ(activeForm(), window);
            // One activation, so each box once.
            EXPECT_EQ(desktopDialogs.seen().size(), keys.size())
                << desktopDialogs.seen().join(u'|').toStdString();
            window->Close();
            ASSERT_TRUE(staysInFront(form(QStringLiteral("frmMain"))));
            EXPECT_EQ(desktopDialogs.seen().size(), keys.size());
        }
    }
};

TEST_F(BoxesAtActivation, ChequeWindowAfterTheKolvexQuestion) {
    startOnDesktop();
    openAndCheck(QStringLiteral("Cheques2"), QStringLiteral("frmcheck"), {"Return"});
}

TEST_F(BoxesAtActivation, UserWindowAfterItsInputBoxAndItsMessage) {
    startOnDesktop();
    driver.setReply("ecfStatusUser", "Erro: 002 Valor fora da faixa");
    openAndCheck(QStringLiteral("Dadossobreousurio1"), QStringLiteral("statusr"),
                 {"Return", "Return"});
}

TEST_F(BoxesAtActivation, PrinterStatusWindowWithThePrinterOff) {
    startOnDesktop();
    // Off at the window's opening only: the main window asks again once it
    // is back in front.
    openAndCheck(QStringLiteral("Statusdaimpressora1"), QStringLiteral("FormStatusImp"), {"Return"},
                 [this] { driver.queueReplies("ecfStatusImp", {"Erro: 004"}); });
}

TEST_F(BoxesAtActivation, CouponStatusWindowWithThePrinterOff) {
    startOnDesktop();
    driver.setReply("ecfStatusCupom", "Erro: 016");
    openAndCheck(QStringLiteral("Statusdocupom1"), QStringLiteral("FormStatusCup"), {"Return"});
}

TEST_F(BoxesAtActivation, ItemSaleWindowAfterItsVersionQuestion) {
    // The version question comes at the first activation only: each run
    // starts the program anew.
    for (int run = 0; run < kRuns; ++run) {
        SCOPED_TRACE(QStringLiteral("run %1").arg(run + 1).toStdString());
        if (run > 0) {
            setDialogs(&dialogs);
            destroyApplicationForms();
        }
        startOnDesktop();
        desktopDialogs.clear();
        desktopDialogs.plan(QStringLiteral("Return"));  // open a coupon: Sim
        desktopDialogs.plan(QStringLiteral("Return"));  // version 3.00: Sim
        trigger(QStringLiteral("Cupomfiscal2"));
        TForm* window = form(QStringLiteral("frmitem4"));
        ASSERT_TRUE(staysInFront(window));
        EXPECT_EQ(activeForm(), window);
        EXPECT_EQ(desktopDialogs.seen().size(), 2);
    }
}

TEST_F(BoxesAtActivation, PaymentWindowThatThePrinterDoesNotAnswerLeavesTheMainInFront) {
    startOnDesktop({DialogAnswer::No, DialogAnswer::No});
    driver.setReply("ecfStatusCupom", "00Erro003");
    TForm* main = form(QStringLiteral("frmMain"));
    for (int run = 0; run < kRuns; ++run) {
        SCOPED_TRACE(QStringLiteral("run %1").arg(run + 1).toStdString());
        desktopDialogs.clear();
        desktopDialogs.plan(QStringLiteral("Return"));
        trigger(QStringLiteral("Pagamento1"));
        EXPECT_FALSE(form(QStringLiteral("frmtopay"))->isVisible());
        ASSERT_TRUE(staysInFront(main));
        EXPECT_EQ(activeForm(), main);
        EXPECT_EQ(desktopDialogs.seen(),
                  QStringList{QStringLiteral("A impressora não está respondendo.")});
    }
}
