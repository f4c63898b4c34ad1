#include "driver/codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <optional>

// Qt converts the code page itself (through ICU on Debian), so the program
// keeps no table of its own. The five bytes that the code page leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the
// same value, as Windows' own conversion does.
namespace {

constexpr const char* kCodePage = "windows-1252";

}  // namespace

DriverTextError::DriverTextError(const QString& message)
    : std::runtime_error(message.toStdString()), message_(message) {}

QString composedText(const QString& text) {
    return text.normalized(QString::NormalizationForm_C);
}

namespace {

// The bytes of an already composed text, or nothing when a character has no
// byte in the code page or is the zero character.
std::optional<QByteArray> encodeComposed(const QString& composed) {
    if (composed.contains(QChar(u'\0'))) {
        return std::nullopt;
    }
    QStringEncoder encoder(kCodePage);
    QByteArray bytes = encoder.encode(composed);
    if (!encoder.isValid() || encoder.hasError()) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

bool isDriverText(const QString& text) {
    return encodeComposed(composedText(text)).has_value();
}

QByteArray toDriverText(const QString& text) {
    std::optional<QByteArray> bytes = encodeComposed(composedText(text));
    if (!bytes) {
        throw DriverTextError(
            QStringLiteral("O texto \"%1\" tem caracteres que a impressora não tem; nada foi "
                           "enviado à impressora.")
                .arg(text));
    }
    return *bytes;
}

void checkDriverBytes(const QByteArray& bytes) {
    if (bytes.contains('\0')) {
        throw DriverTextError(
            QStringLiteral("Um texto para a impressora contém um caractere nulo; nada foi "
                           "enviado à impressora."));
    }
}

QString fromDriverText(const QByteArray& bytes) {
    QStringDecoder decoder(kCodePage);
    return decoder.decode(bytes);
}
