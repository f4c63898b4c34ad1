#include "support/recording_driver.h"

#include "driver/codepage.h"

#include <tuple>

QString describeArgument(int32_t value) {
    return QString::number(value);
}

QString describeArgument(const int32_t* value) {
    return value ? QStringLiteral("&") + QString::number(*value) : QStringLiteral("null");
}

QString describeArgument(const QByteArray& text) {
    QString quoted = QStringLiteral("\"");
    for (QChar c : fromDriverText(text)) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\')) {
            quoted += QLatin1Char('\\');
            quoted += c;
        } else if (c.unicode() < 0x20) {
            quoted += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        } else {
            quoted += c;
        }
    }
    return quoted + QLatin1Char('"');
}

namespace {

template <typename... Args>
QStringList describeArguments(const std::tuple<Args...>& args) {
    return std::apply([](const auto&... a) { return QStringList{describeArgument(a)...}; }, args);
}

}  // namespace

RecordingDriver::RecordingDriver(EventLog* log) : log_(log) {
    replies_.insert(QStringLiteral("ecfStatusImp"), idlePrinterStatus());
    replies_.insert(QStringLiteral("ecfStatusCupom"), idleCouponStatus());
}

QByteArray RecordingDriver::idlePrinterStatus() {
    return QByteArrayLiteral("01000011");
}

QByteArray RecordingDriver::idleCouponStatus() {
    return QByteArrayLiteral("0001") + "1" + "000123" + "134500" + "07122026" +
           QByteArray(17, ' ') + "0,00" + QByteArray(16, ' ') + "10,00";
}

void RecordingDriver::setResult(const QString& function, int32_t result) {
    results_.insert(function, result);
}

void RecordingDriver::setReply(const QString& function, const QByteArray& reply) {
    replies_.insert(function, reply);
}

void RecordingDriver::queueResults(const QString& function, const QList<int32_t>& results) {
    for (int32_t r : results) {
        queuedResults_[function].enqueue(r);
    }
}

void RecordingDriver::queueReplies(const QString& function, const QList<QByteArray>& replies) {
    for (const QByteArray& r : replies) {
        queuedReplies_[function].enqueue(r);
    }
}

void RecordingDriver::onCall(const QString& function, std::function<void()> hook) {
    hooks_.insert(function, std::move(hook));
}

QStringList RecordingDriver::callsOf(const QString& function) const {
    QStringList result;
    for (const QString& call : calls_) {
        if (call.startsWith(function + QLatin1Char('('))) {
            result.append(call);
        }
    }
    return result;
}

void RecordingDriver::record(const QString& function, const QStringList& arguments) {
    const QString call =
        function + QLatin1Char('(') + arguments.join(QStringLiteral(", ")) + QLatin1Char(')');
    calls_.append(call);
    if (log_) {
        log_->add(call);
    }
    if (const auto hook = hooks_.value(function)) {
        hook();
    }
}

int32_t RecordingDriver::resultOf(const QString& function) {
    QQueue<int32_t>& queued = queuedResults_[function];
    return queued.isEmpty() ? results_.value(function, 0) : queued.dequeue();
}

QByteArray RecordingDriver::replyOf(const QString& function) {
    QQueue<QByteArray>& queued = queuedReplies_[function];
    return queued.isEmpty() ? replies_.value(function) : queued.dequeue();
}

#define RECORDING_DRIVER_DEFINE_RESULT(name, params, args)                      \
    int32_t RecordingDriver::name params {                                      \
        record(QStringLiteral(#name), describeArguments(std::make_tuple args)); \
        return real_ ? real_->name args : resultOf(QStringLiteral(#name));      \
    }
#define RECORDING_DRIVER_DEFINE_REPLY(name, params, args)                       \
    QByteArray RecordingDriver::name params {                                   \
        record(QStringLiteral(#name), describeArguments(std::make_tuple args)); \
        return real_ ? real_->name args : replyOf(QStringLiteral(#name));       \
    }
FISCPORT_FUNCTIONS(RECORDING_DRIVER_DEFINE_RESULT, RECORDING_DRIVER_DEFINE_REPLY)
#undef RECORDING_DRIVER_DEFINE_RESULT
#undef RECORDING_DRIVER_DEFINE_REPLY
