// The record-by-record listing of the status windows (tax rates, payment
// types, non-fiscal documents, pending linked coupons): each activation
// clears the panel and reads record 0, each tick of the window's timer reads
// the next record, and the timer stops at the window's last record number.
//
// A failure reply shows "Ocorreu o erro de número nnn" in a message box and,
// once the box is dismissed, the same text as a line of the panel; the
// listing goes on with the next record. Closing the window does not stop a
// listing: it runs on to its last record behind the window's back.
#pragma once

#include <QByteArray>
#include <QStringList>
#include <cstdint>
#include <functional>

class QProgressBar;
class TRichEdit;
class TTimer;

// What one window lists and how it shows a record.
struct RecordListingSettings {
    // The window's status function: the reply for one record number.
    std::function<QByteArray(int32_t record)> readRecord;
    // The last record number read; records 0 to it are read, one per call.
    int32_t lastRecord = 0;
    // Lines put before record 0 when it reads without error.
    QStringList headingLines;
    // The lines of a record read without error, given its number.
    std::function<QStringList(const QByteArray& record, int32_t recordIndex)> recordLines;
    // Lines put before each record after record 0 that reads without error.
    QStringList linesBeforeLaterRecords;
    // A progress bar moved on by progressStep for each record after record 0
    // that reads without error; reset to 0 at every activation.
    QProgressBar* progressBar = nullptr;
    int progressStep = 0;
};

class RecordListing {
public:
    RecordListing(TRichEdit* panel, TTimer* timer, RecordListingSettings settings);

    // The window became active: a new listing from record 0, also in the
    // middle of a running one.
    void Activate();
    // A tick of the window's timer: the next record.
    void Tick();

    // The number of the record last requested.
    int32_t recordIndex() const { return RecordIndex; }

private:
    // Reads record RecordIndex and puts its lines (or its error line) in the
    // panel; true when the record was read without error.
    bool ReadRecord(bool firstRecord);

    TRichEdit* panel_;
    TTimer* timer_;
    RecordListingSettings settings_;
    int32_t RecordIndex = 0;
    // A failure message of this listing is on screen: the ticks that the
    // timer delivers meanwhile are let go, so that records are read and
    // listed one after the other, in their order, up to the last one.
    bool showingFailure_ = false;
};
