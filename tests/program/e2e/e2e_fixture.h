// The fixture of end-to-end tests: the real windows on the real emulated
// printer, in a working directory of their own. Calls still pass through
// the recording driver, so the tests see what was sent.
#pragma once

#include "core/device.h"
#include "core/store.h"
#include "driver/library_driver.h"
#include "driver/reply.h"
#include "support/app_fixture.h"
#include "support/working_directory.h"

class EndToEnd : public AppFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(workDir_.isValid());
        qputenv("ECFSIM_DB", QFile::encodeName(databasePath()));
        // The emulated clock stands still at noon, so no test sees midnight.
        qputenv("ECFSIM_TIME", "2026-03-10 12:00:00");
        AppFixture::SetUp();
        driver.forwardTo(&library_);
    }

    void TearDown() override {
        AppFixture::TearDown();
        qunsetenv("ECFSIM_DB");
        qunsetenv("ECFSIM_TIME");
    }

    QString databasePath() const { return workDir_.filePath(QStringLiteral("ecfsim.db")); }

    // What the printer answers now, asked straight through its interface.
    QByteArray printerStatus() { return library_.ecfStatusImp(); }
    QByteArray couponStatus() {
        int32_t kind = 1;
        return library_.ecfStatusCupom(&kind);
    }
    int printerState() {
        return sliceField(printerStatus(), PrinterStatusFields::StateCode).toInt();
    }

    // Changes the emulated printer's settings, as ecfsim set does.
    void changePrinter(const std::function<void(fiscemu::Settings&)>& change) {
        std::string error;
        auto device = fiscemu::Device::open(databasePath().toStdString(), &error);
        ASSERT_TRUE(device) << error;
        ASSERT_TRUE(device->updateSettings(change));
    }

    // The paper roll, one printed line per entry, as code page 850 bytes.
    std::vector<fiscemu::PaperRow> paperRoll() const {
        std::string error;
        auto store = fiscemu::Store::open(databasePath().toStdString(), &error);
        EXPECT_TRUE(store) << error;
        return store ? store->paper(0, 0) : std::vector<fiscemu::PaperRow>{};
    }
    QStringList paperText() const {
        QStringList lines;
        for (const fiscemu::PaperRow& row : paperRoll()) {
            lines.append(QString::fromLatin1(row.bytes.data(), int(row.bytes.size())));
        }
        return lines;
    }

private:
    TemporaryWorkingDirectory workDir_;
    LibraryDriver library_;
};
