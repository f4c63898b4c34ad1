#include "loader/fiscport_loader.h"

#include <dlfcn.h>

std::unique_ptr<FiscportLibrary> FiscportLibrary::open(const std::string& path,
                                                       std::string* error) {
    if (path.find('/') == std::string::npos) {
        *error = path + ": informe o caminho do arquivo (com uma barra, ex.: ./" + path + ")";
        return nullptr;
    }
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        *error = why ? why : path + ": não foi possível carregar";
        return nullptr;
    }
    std::unique_ptr<FiscportLibrary> library(new FiscportLibrary);
    library->handle_ = handle;
    library->path_ = path;
#define FISCPORT_LOADER_RESOLVE(name)                                          \
    library->name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name)); \
    if (!library->name)                                                        \
        library->missing_.push_back(#name);
    FISCPORT_NAMES(FISCPORT_LOADER_RESOLVE)
#undef FISCPORT_LOADER_RESOLVE
    return library;
}

FiscportLibrary::~FiscportLibrary() {
    if (handle_)
        dlclose(handle_);
}
