#include "driver/library_driver.h"

#include "driver/codepage.h"
#include "fiscport.h"

#include <tuple>

namespace {

// Arguments cross to C as they are; texts as pointers to their bytes, which
// stay alive for the duration of the call. A text with a zero byte would reach
// C cut short there, so it stops the call before the library is entered.
const char* cArgument(const QByteArray& text) {
    checkDriverBytes(text);
    return text.constData();
}
int32_t cArgument(int32_t value) {
    return value;
}
int32_t* cArgument(int32_t* value) {
    return value;
}

template <typename Function, typename... Args>
auto callLibrary(Function function, const std::tuple<Args...>& args) {
    return std::apply([function](const auto&... a) { return function(cArgument(a)...); }, args);
}

QByteArray copyReply(const char* reply) {
    return reply ? QByteArray(reply) : QByteArray();
}

}  // namespace

#define LIBRARY_DRIVER_DEFINE_RESULT(name, params, args)  \
    int32_t LibraryDriver::name params {                  \
        return callLibrary(::name, std::make_tuple args); \
    }
#define LIBRARY_DRIVER_DEFINE_REPLY(name, params, args)              \
    QByteArray LibraryDriver::name params {                          \
        return copyReply(callLibrary(::name, std::make_tuple args)); \
    }
FISCPORT_FUNCTIONS(LIBRARY_DRIVER_DEFINE_RESULT, LIBRARY_DRIVER_DEFINE_REPLY)
#undef LIBRARY_DRIVER_DEFINE_RESULT
#undef LIBRARY_DRIVER_DEFINE_REPLY
