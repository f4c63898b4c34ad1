// A stand-in for another driver library with our interface, built by the
// tests: it answers as our emulator (the library it is linked against)
// except in one field and one result code. The coupon status's subtotal
// ends in another digit, and opening the drawer answers 7 where ours
// answers 0. With STANDIN_CRASH set it dies while opening the drawer.
#include <dlfcn.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include "fiscport.h"

namespace {

template <class Function>
Function ours(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

FISCPORT_API const char* FISCPORT_CALL ecfStatusCupom(int32_t* kind) {
    static std::string reply;
    reply = ours<decltype(&ecfStatusCupom)>("ecfStatusCupom")(kind);
    // Position 46 is the subtotal's last character (positions 26 to 46).
    if (reply.size() >= 46 && reply.find("Erro") == std::string::npos)
        reply[45] = reply[45] == '9' ? '8' : '9';
    return reply.c_str();
}

FISCPORT_API int32_t FISCPORT_CALL ecfAbreGaveta(void) {
    if (std::getenv("STANDIN_CRASH"))
        std::raise(SIGSEGV);
    int32_t code = ours<decltype(&ecfAbreGaveta)>("ecfAbreGaveta")();
    return code == 0 ? 7 : code;
}
}
