#include "wincommon/record_listing.h"

#include "driver/reply.h"
#include "toolkit/dialogs.h"
#include "toolkit/trichedit.h"
#include "toolkit/ttimer.h"
#include "wincommon/report.h"

#include <QProgressBar>

#include <utility>

namespace {

// The panel is set to this size before each record is read.
constexpr int kPanelFontPoints = 10;

}  // namespace

RecordListing::RecordListing(TRichEdit* panel, TTimer* timer, RecordListingSettings settings)
    : panel_(panel), timer_(timer), settings_(std::move(settings)) {}

void RecordListing::Activate() {
    if (settings_.progressBar) {
        settings_.progressBar->setValue(0);
    }
    RecordIndex = 0;
    panel_->setFontSize(kPanelFontPoints);
    panel_->clear();
    ReadRecord(true);
    timer_->setEnabled(true);
}

void RecordListing::Tick() {
    // A stopped timer does not tick. A tick that comes while this listing's
    // failure message is open (the timer of a running listing goes on while
    // the activation that restarts it shows its box) waits for the next one:
    // taking it would read further records inside the box, put their lines
    // before the line of the record the box is about, and carry the index
    // past the last record number, so that the listing never stopped.
    if (!timer_->isEnabled() || showingFailure_) {
        return;
    }
    ++RecordIndex;
    panel_->setFontSize(kPanelFontPoints);
    if (ReadRecord(false) && settings_.progressBar) {
        QProgressBar* bar = settings_.progressBar;
        bar->setValue(bar->value() + settings_.progressStep);
    }
    if (RecordIndex == settings_.lastRecord) {
        timer_->setEnabled(false);
    }
}

bool RecordListing::ReadRecord(bool firstRecord) {
    const QByteArray reply = settings_.readRecord(RecordIndex);
    if (isFailureReply(reply)) {
        const QString line = failureReplyMessage(reply);
        showingFailure_ = true;
        showMessage(line);
        showingFailure_ = false;
        panel_->addLine(line);
        return false;
    }
    const QStringList before =
        firstRecord ? settings_.headingLines : settings_.linesBeforeLaterRecords;
    for (const QString& line : before) {
        panel_->addLine(line);
    }
    for (const QString& line : settings_.recordLines(reply, RecordIndex)) {
        panel_->addLine(line);
    }
    return true;
}
