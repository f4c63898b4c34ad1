// A driver for window tests: records every call with its arguments, and
// answers with results and replies scripted per function.
//
// A call is recorded as its function name and arguments, texts quoted:
//   ecfImpCab(33)   ecfFimTrans("OPERADOR")   ecfStatusCupom(&1)
#pragma once

#include "driver/fiscal_driver.h"
#include "support/event_log.h"

#include <QHash>
#include <QQueue>
#include <QStringList>
#include <functional>

class RecordingDriver final : public FiscalDriver {
public:
    explicit RecordingDriver(EventLog* log = nullptr);

    // Every later call of the function returns this result / reply.
    void setResult(const QString& function, int32_t result);
    void setReply(const QString& function, const QByteArray& reply);
    // The next calls return these, in order, then the set one again.
    void queueResults(const QString& function, const QList<int32_t>& results);
    void queueReplies(const QString& function, const QList<QByteArray>& replies);
    // Passes every call on to a real driver, which then gives the answers;
    // end-to-end tests record the calls made to the emulated printer.
    void forwardTo(FiscalDriver* real) { real_ = real; }
    // Runs before the function answers (to look at the program's state then).
    void onCall(const QString& function, std::function<void()> hook);

    const QStringList& calls() const { return calls_; }
    // The calls of one function only.
    QStringList callsOf(const QString& function) const;
    void clearCalls() { calls_.clear(); }

    // The idle printer's replies, the defaults.
    static QByteArray idlePrinterStatus();
    static QByteArray idleCouponStatus();

#define RECORDING_DRIVER_DECLARE_RESULT(name, params, args) int32_t name params override;
#define RECORDING_DRIVER_DECLARE_REPLY(name, params, args) QByteArray name params override;
    FISCPORT_FUNCTIONS(RECORDING_DRIVER_DECLARE_RESULT, RECORDING_DRIVER_DECLARE_REPLY)
#undef RECORDING_DRIVER_DECLARE_RESULT
#undef RECORDING_DRIVER_DECLARE_REPLY

private:
    void record(const QString& function, const QStringList& arguments);
    int32_t resultOf(const QString& function);
    QByteArray replyOf(const QString& function);

    EventLog* log_;
    FiscalDriver* real_ = nullptr;
    QStringList calls_;
    QHash<QString, int32_t> results_;
    QHash<QString, QByteArray> replies_;
    QHash<QString, QQueue<int32_t>> queuedResults_;
    QHash<QString, QQueue<QByteArray>> queuedReplies_;
    QHash<QString, std::function<void()>> hooks_;
};

// How an argument appears in a recorded call.
QString describeArgument(int32_t value);
QString describeArgument(const int32_t* value);
QString describeArgument(const QByteArray& text);
