// Follows the printer's memory from beside the bench: notices each change by
// looking at its files' sizes and times ten times a second (a stat of each,
// nothing read from the database), reads what is new through the emulator's
// readers in a read transaction, and never holds a lock that would delay the
// bench's calls. A slower timer reads anyway (the drawer closes by itself).
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

#include "core/device.h"
#include "core/store.h"

class MemoryWatch : public QObject {
    Q_OBJECT
public:
    // How long a read waits for a lock held by another process before the
    // panel reports the memory busy and tries again later.
    static constexpr int kReadWaitMs = 200;
    // How long a change from the panel's controls waits for the bench's call.
    static constexpr int kWriteWaitMs = 2000;

    explicit MemoryWatch(const QString& databasePath, QObject* parent = nullptr);
    ~MemoryWatch() override;

    const QString& databasePath() const { return path_; }
    // The memory as last read; null while it is missing or cannot be opened.
    fiscemu::Device* device() const { return device_.get(); }
    // What is wrong with the memory now, in words for the user; empty when fine.
    const QString& problem() const { return problem_; }

    // How often the files are looked at; how long a change may wait.
    static constexpr int kProbeMs = 100;

    // The slow timer that reads even when the files did not change (the
    // drawer closing by itself).
    void setFallbackInterval(int ms);
    QTimer* fallbackTimer() { return &fallback_; }

    // Words for the user about a memory error of SQLite.
    static QString describeWriteFailure(const std::string& error);

    // Runs a change on the memory (creating it when missing, as the library
    // would at its first call), then reads again. False with problem() set
    // when the memory refused it.
    bool change(const std::function<bool(fiscemu::Device&)>& write, QString* failure);

    // Runs a change on the memory's files themselves (a reset, which may
    // replace a damaged file): the panel lets go of the memory first and
    // opens it anew afterwards.
    bool replace(const std::function<bool(const std::string& path)>& write);

public slots:
    // Reads what is new now.
    void poll();

signals:
    // The state and settings were read again.
    void stateRead(fiscemu::Device& device);
    // Rows after the ones already delivered, oldest first.
    void paperRows(const std::vector<fiscemu::PaperRow>& rows);
    void traceRows(const std::vector<fiscemu::TraceRow>& rows);
    // The roll or the trace was wiped (a reset, another memory): what was
    // shown is gone; rows follow anew.
    void paperRestarted();
    void traceRestarted();
    // The memory became unreadable (message) or readable again (empty).
    void problemChanged(const QString& message);

private:
    bool openDevice(bool create);
    void setProblem(const QString& message);
    // Polls when any file of the memory changed since the last look.
    void probeFiles();

    QString path_;
    std::unique_ptr<fiscemu::Device> device_;
    QTimer probe_, fallback_;
    QByteArray filesSeen_;
    // The memory file the device has open: another one in its place (a
    // damaged memory replaced, the folder wiped) is opened anew.
    quint64 openedInode_ = 0;
    QString problem_;
    fiscemu::PaperRow lastPaper_;
    fiscemu::TraceRow lastTrace_;
    bool polling_ = false;
};
