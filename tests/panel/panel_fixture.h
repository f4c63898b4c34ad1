// The fixture of the front panel's tests: a memory of its own in a temporary
// folder, written through the driver's C interface as the bench writes it,
// and the real panel window over it, headless.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <memory>

#include "ecfpainel/memorywatch.h"
#include "ecfpainel/panelwindow.h"
#include "fiscport.h"

// Lets the event loop run until `ready` holds or `ms` pass; true when it holds.
inline bool waitUntil(const std::function<bool()>& ready, int ms) {
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

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        qputenv("ECFSIM_DB", QFile::encodeName(databasePath()));
        qputenv("ECFSIM_TIME", "2026-03-10 12:00:00");
    }

    void TearDown() override {
        window_.reset();
        qunsetenv("ECFSIM_DB");
        qunsetenv("ECFSIM_TIME");
    }

    QString databasePath() const { return dir_.filePath(QStringLiteral("ecfsim.db")); }
    QString folder() const { return dir_.path(); }

    // The panel over this test's memory, shown and read once.
    PanelWindow& openPanel() {
        window_ = std::make_unique<PanelWindow>(databasePath());
        window_->show();
        window_->watch()->poll();
        return *window_;
    }
    PanelWindow& panel() { return *window_; }
    // Reads what is new now, as the probe of the files does when they change.
    void readNow() { window_->watch()->poll(); }

    QStringList paperLines() const;

    // A header and two items: 2 x 6,25 "CAFÉ" (Windows Latin, as the
    // program sends it) and 1 x 3,00.
    void openCouponWithTwoItems() {
        ASSERT_EQ(ecfImpCab(0), 0);
        ASSERT_EQ(ecfVenda_Item("789", "CAF\xC9 TORRADO", "2", "000", "625", 0), 0);
        ASSERT_EQ(ecfVenda_Item("456", "ACUCAR", "1", "000", "300", 0), 0);
    }
    void payAndClose(const char* operatorName) {
        ASSERT_EQ(ecfPagamento(0, "00", "2000", 0), 0);
        ASSERT_EQ(ecfFimTrans(operatorName), 0);
    }

    QTemporaryDir dir_;
    std::unique_ptr<PanelWindow> window_;
};
