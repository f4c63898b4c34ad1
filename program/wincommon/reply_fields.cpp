#include "wincommon/reply_fields.h"

#include "wincommon/report.h"

#include <QLineEdit>

bool showReplyFields(const QByteArray& reply, std::initializer_list<FieldPlacement> placements) {
    if (isFailureReply(reply)) {
        reportFailureReply(reply);
        return false;
    }
    for (const FieldPlacement& placement : placements) {
        placement.edit->setText(sliceField(reply, placement.field));
    }
    return true;
}
