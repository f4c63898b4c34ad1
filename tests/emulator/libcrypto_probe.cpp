// Drives the driver library from a process that links nothing else, and says
// by its exit status when libcrypto came into the process: never with the
// library itself, nor at calls that hash nothing (a new memory has no fiscal
// record), and at the first Z reduction, whose record is hashed.
//   0  as expected; 1 a call failed; 2 libcrypto loaded with the library;
//   3 loaded before any hash; 4 not loaded by the hash
#include <dlfcn.h>

#include <cstdio>

#include "fiscport.h"

namespace {

bool libcryptoLoaded() {
    void* handle = dlopen(BANCADA_LIBCRYPTO, RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

bool ok(const char* call, int32_t rc) {
    if (rc != 0)
        std::fprintf(stderr, "%s answered %d\n", call, rc);
    return rc == 0;
}

}  // namespace

int main() {
    if (libcryptoLoaded())
        return 2;
    if (!ok("ChangePort", ChangePort(0)) || !ok("ecfImpCab", ecfImpCab(0)) ||
        !ok("ecfVenda_Item", ecfVenda_Item("1", "Produto", "1", "000", "100", 0)) ||
        !ok("ecfPagamento", ecfPagamento(0, "00", "100000", 0)) ||
        !ok("ecfFimTrans", ecfFimTrans("OP")))
        return 1;
    if (libcryptoLoaded())
        return 3;
    if (!ok("ecfReducaoZ", ecfReducaoZ("OP")))
        return 1;
    return libcryptoLoaded() ? 0 : 4;
}
