// How the windows report what the driver answered: result codes after a
// fixed prefix, failure replies by their error number, and the position
// codes of the printer's tables.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// The prefixes that stand before a non-zero result code.
namespace ResultPrefix {
inline const QString Retorno = QStringLiteral("Retorno: ");
inline const QString OcorreuErro = QStringLiteral("Ocorreu o seguinte erro: ");
}  // namespace ResultPrefix

// Shows prefix and result as a plain message when the result is not 0.
// Returns true for success.
bool reportResult(const QString& prefix, int32_t result);

// "Ocorreu o erro de número " and characters 7 to 9 of a failure reply.
QString failureReplyMessage(const QByteArray& reply);

// Shows failureReplyMessage as a plain message.
void reportFailureReply(const QByteArray& reply);

// The two-digit position code of a table entry: "0" before an index below
// 10 ("07"; an unselected list, index -1, gives "0-1"), the number otherwise.
QString positionCode(int index);
