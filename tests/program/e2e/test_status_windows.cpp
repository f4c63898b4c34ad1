// The printer and coupon status windows on the emulated printer.
#include "e2e/e2e_fixture.h"
#include "toolkit/tform.h"
#include "toolkit/ttimer.h"

#include <QLineEdit>

class StatusWindows : public EndToEnd {
protected:
    QString text(const char* formName, const char* edit) const {
        return control<QLineEdit>(formName, edit)->text();
    }
};

TEST_F(StatusWindows, PrinterStatusShowsTheIdlePrinterAndPollsWhileActive) {
    startApplication();
    trigger("Statusdaimpressora1");
    EXPECT_EQ(text("FormStatusImp", "Edit2"), "000");
    EXPECT_EQ(text("FormStatusImp", "Edit3"), "livre");
    EXPECT_EQ(text("FormStatusImp", "Edit7"), QString::fromLatin1(printerStatus()));
    auto* timer = form("FormStatusImp")->findChild<TTimer*>("Timer1");
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isEnabled());

    // The printer opens a coupon meanwhile; the next tick shows it.
    ASSERT_EQ(driver.ecfImpCab(32), 0);
    timer->fire();
    EXPECT_EQ(text("FormStatusImp", "Edit2"), "090");
    EXPECT_EQ(text("FormStatusImp", "Edit3"), "cupom aberto");

    // Another window of the program takes over: polling stops.
    trigger("Statusdocupom1");
    EXPECT_FALSE(timer->isEnabled());
}

TEST_F(StatusWindows, CouponStatusShowsTheOpenCouponsSubtotal) {
    startApplication();
    ASSERT_EQ(driver.ecfImpCab(32), 0);
    ASSERT_EQ(driver.ecfVenda_Item("1", "PAO", "001", "000", "1999", 0), 0);
    trigger("Statusdocupom1");
    EXPECT_EQ(text("FormStatusCup", "Edit5").trimmed(), "19,99");
    EXPECT_EQ(text("FormStatusCup", "Edit5").size(), 21);
    EXPECT_EQ(text("FormStatusCup", "Edit1"), "0001");
    EXPECT_EQ(text("FormStatusCup", "Edit8").size(), 67);
    EXPECT_TRUE(dialogs.boxes().isEmpty());
}

TEST_F(StatusWindows, PrinterSwitchedOffWhilePollingClosesTheWindow) {
    startApplication();
    trigger("Statusdaimpressora1");
    auto* timer = form("FormStatusImp")->findChild<TTimer*>("Timer1");
    // The program moves to the other port, where no printer answers.
    driver.ChangePort(1);
    // The window's own message, then the main window's two as it takes over.
    dialogs.acknowledge(3);
    timer->fire();
    ASSERT_EQ(dialogs.boxes().size(), 3);
    EXPECT_EQ(dialogs.boxes()[0].text, "Ocorreu o erro de número 079");
    EXPECT_EQ(dialogs.boxes()[1].text, "Ocorreu o erro de número 079");
    EXPECT_FALSE(form("FormStatusImp")->isVisible());
    EXPECT_FALSE(timer->isEnabled());
}
