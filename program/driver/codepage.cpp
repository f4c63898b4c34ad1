#include "driver/codepage.h"

#include <iconv.h>
#include <QHash>
#include <array>
#include <optional>

// The code page's characters come from glibc's iconv ("CP1252", the
// converter the emulator uses too), read once, byte by byte, so the program
// keeps no table of its own. The five bytes that the code page leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the
// same value, as Windows' own conversion does. Qt's converter for this code
// page goes through ICU, whose converter code and data add about a megabyte
// to the program's memory at start-up; the two agree on every byte and every
// character.
namespace {

constexpr char16_t kNoCharacter = u'\uFFFD';

struct CodePage {
    std::array<char16_t, 256> characterOf{};
    QHash<char16_t, char> byteOf;
};

// The character glibc reads for a byte, the C1 control of the byte's value
// when the code page leaves it unassigned.
char16_t characterOfByte(iconv_t toWide, unsigned char byte) {
    char in = static_cast<char>(byte);
    wchar_t out = 0;
    char* inPtr = &in;
    auto* outPtr = reinterpret_cast<char*>(&out);
    size_t inLeft = 1;
    size_t outLeft = sizeof out;
    if (iconv(toWide, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
        return byte;
    }
    return static_cast<char16_t>(out);
}

// Without the system's converter the page is empty: every text is refused
// and every byte reads as the replacement character, never as a wrong one.
CodePage readCodePage() {
    CodePage page;
    page.characterOf.fill(kNoCharacter);
    iconv_t toWide = iconv_open("WCHAR_T", "CP1252");
    if (toWide == reinterpret_cast<iconv_t>(-1)) {
        return page;
    }
    for (int byte = 0; byte < 256; ++byte) {
        const char16_t character = characterOfByte(toWide, static_cast<unsigned char>(byte));
        page.characterOf[byte] = character;
        page.byteOf.insert(character, static_cast<char>(byte));
    }
    iconv_close(toWide);
    return page;
}

const CodePage& windowsLatin() {
    static const CodePage page = readCodePage();
    return page;
}

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
    const CodePage& page = windowsLatin();
    QByteArray bytes;
    bytes.reserve(composed.size());
    for (QChar character : composed) {
        const auto found = page.byteOf.constFind(character.unicode());
        if (found == page.byteOf.constEnd()) {
            return std::nullopt;
        }
        bytes.append(*found);
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
    const CodePage& page = windowsLatin();
    QString text;
    text.reserve(bytes.size());
    for (char byte : bytes) {
        text.append(QChar(page.characterOf[static_cast<unsigned char>(byte)]));
    }
    return text;
}
