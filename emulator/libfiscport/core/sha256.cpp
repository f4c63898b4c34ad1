#include "core/sha256.h"

#include <dlfcn.h>
#include <openssl/evp.h>

namespace fiscemu {

namespace {

// The two functions of libcrypto the chain uses, resolved by name in the
// library the build found (BANCADA_LIBCRYPTO is its file name, which is its
// SONAME). It is OpenSSL's SHA-256 and no other implementation: the hashes
// already stored in the printers' memories were made by it, and `ecfsim`
// computes its session checksums with it.
struct Libcrypto {
    decltype(&::EVP_Digest) digest = nullptr;
    decltype(&::EVP_sha256) sha256 = nullptr;
    std::string failure;

    Libcrypto() {
        // Never closed: the functions stay valid until the process ends.
        // RTLD_LOCAL: its names stay out of the way of the program's own.
        void* handle = dlopen(BANCADA_LIBCRYPTO, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = dlerror();
            failure = why ? why : BANCADA_LIBCRYPTO ": cannot be loaded";
            return;
        }
        digest = reinterpret_cast<decltype(digest)>(dlsym(handle, "EVP_Digest"));
        sha256 = reinterpret_cast<decltype(sha256)>(dlsym(handle, "EVP_sha256"));
        if (!digest || !sha256)
            failure = BANCADA_LIBCRYPTO ": EVP_Digest or EVP_sha256 missing";
    }
};

// Loaded once, by whichever thread hashes first.
const Libcrypto& libcrypto() {
    static const Libcrypto loaded;
    return loaded;
}

}  // namespace

bool sha256(const std::string& bytes, std::string* digest, std::string* error) {
    const Libcrypto& crypto = libcrypto();
    if (!crypto.failure.empty()) {
        *error = "SHA-256 unavailable: " + crypto.failure;
        return false;
    }
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    if (crypto.digest(bytes.data(), bytes.size(), md, &n, crypto.sha256(), nullptr) != 1 ||
        n != 32) {
        *error = "SHA-256 failed in " BANCADA_LIBCRYPTO;
        return false;
    }
    digest->assign(reinterpret_cast<const char*>(md), n);
    return true;
}

}  // namespace fiscemu
