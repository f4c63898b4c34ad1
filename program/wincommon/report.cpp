#include "wincommon/report.h"

#include "driver/reply.h"
#include "toolkit/dialogs.h"

bool reportResult(const QString& prefix, int32_t result) {
    if (result != 0) {
        showMessage(prefix + QString::number(result));
    }
    return result == 0;
}

QString failureReplyMessage(const QByteArray& reply) {
    return QStringLiteral("Ocorreu o erro de número ") + replyErrorNumber(reply);
}

void reportFailureReply(const QByteArray& reply) {
    showMessage(failureReplyMessage(reply));
}

QString positionCode(int index) {
    return index < 10 ? QStringLiteral("0") + QString::number(index) : QString::number(index);
}
