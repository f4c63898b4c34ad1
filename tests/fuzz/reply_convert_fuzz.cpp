// The program's reply decoding and number conversion on any bytes: fields
// cut at any positions, failure replies, integers and decimals as the
// operator types them, texts on their way to the printer. Beyond not
// crashing: a field is never longer than asked, a converted integer reads
// back the same, a decimal written with FloatToStr reads back within its
// fifteen significant digits, and a text goes out whole or not at all.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "driver/codepage.h"
#include "driver/reply.h"
#include "toolkit/convert.h"

namespace {

[[noreturn]] void fail(const char* what, const QString& detail) {
    std::fprintf(stderr, "reply_convert_fuzz: %s: %s\n", what, detail.toUtf8().constData());
    std::abort();
}

void checkSendable(const QString& text);

void decode(FuzzedDataProvider& in) {
    const int position = in.ConsumeIntegralInRange<int>(-5, 800);
    const int length = in.ConsumeIntegralInRange<int>(-5, 800);
    const std::string bytes = in.ConsumeRemainingBytesAsString();
    const QByteArray reply(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const QString field = sliceField(reply, position, length);
    if (field.size() > std::max(length, 0))
        fail("field longer than asked", field);
    if (isFailureReply(reply) != reply.contains("Erro"))
        fail("failure reply misread", replyText(reply));
    if (isFailureReply(reply))
        replyErrorNumber(reply);
    replyText(reply);
    checkSendable(fromDriverText(reply));
}

// A text goes out whole or not at all: the conversion refuses exactly what
// isDriverText says the code page cannot carry, and never yields a zero byte.
void checkSendable(const QString& text) {
    const bool sendable = isDriverText(text);
    try {
        const QByteArray bytes = toDriverText(text);
        if (!sendable)
            fail("text the code page cannot carry was converted", text);
        if (bytes.contains('\0'))
            fail("converted text holds a zero byte", text);
    } catch (const DriverTextError& error) {
        if (sendable)
            fail("sendable text refused", text);
        if (error.message().isEmpty())
            fail("refusal without a message", text);
    }
}

void convert(FuzzedDataProvider& in) {
    const bool utf8 = in.ConsumeBool();
    const std::string bytes = in.ConsumeRemainingBytesAsString();
    const QString text =
        utf8 ? QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()))
             : fromDriverText(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    try {
        const int value = StrToInt(text);
        if (StrToInt(QString::number(value)) != value)
            fail("integer does not read back", text);
    } catch (const ConvertError& error) {
        if (error.message().isEmpty())
            fail("conversion error without a message", text);
    }
    try {
        const long double value = StrToFloat(text);
        const QString written = FloatToStr(value);
        if (std::isfinite(value)) {
            const long double back = StrToFloat(written);
            const long double tolerance = std::fabs(value) * 1e-14L;
            if (std::fabs(back - value) > tolerance)
                fail("decimal does not read back", text + " -> " + written);
        }
    } catch (const ConvertError& error) {
        if (error.message().isEmpty())
            fail("conversion error without a message", text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool())
        decode(in);
    else
        convert(in);
    return 0;
}
