// Drives the driver library from a process that links nothing else, and says
// by its exit status when SQLite came into the process: not with the library
// itself, but with the first call, which opens the memory. It then closes a
// day with a Z reduction, whose record the test checks in the memory.
// SQLite loaded late still calls the program's own functions where the
// program defines them, as when it was linked: this program's fsync and
// fdatasync count the syncs of the calls' commits.
//   0  as expected; 1 a call failed; 2 SQLite loaded with the library;
//   3 SQLite not loaded by the first call; 6 SQLite synced past this
//   program's own sync functions
#include <dlfcn.h>

#include <cstdio>

#include "fiscport.h"

namespace {

int syncs = 0;

int forwardSync(const char* name, int fd) {
    ++syncs;
    auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, name));
    return real ? real(fd) : -1;
}

}  // namespace

extern "C" int fsync(int fd) {
    return forwardSync("fsync", fd);
}

extern "C" int fdatasync(int fd) {
    return forwardSync("fdatasync", fd);
}

namespace {

bool loaded(const char* soname) {
    void* handle = dlopen(soname, RTLD_NOW | RTLD_NOLOAD);
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
    if (loaded(BANCADA_LIBSQLITE3))
        return 2;
    if (!ok("ChangePort", ChangePort(0)))
        return 1;
    if (!loaded(BANCADA_LIBSQLITE3))
        return 3;
    if (!ok("ecfImpCab", ecfImpCab(0)) ||
        !ok("ecfVenda_Item", ecfVenda_Item("1", "Produto", "1", "000", "100", 0)) ||
        !ok("ecfPagamento", ecfPagamento(0, "00", "100000", 0)) ||
        !ok("ecfFimTrans", ecfFimTrans("OP")))
        return 1;
    if (!ok("ecfReducaoZ", ecfReducaoZ("OP")))
        return 1;
    return syncs > 0 ? 0 : 6;
}
