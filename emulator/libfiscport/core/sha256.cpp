#include "core/sha256.h"

#include <nettle/sha2.h>

#include <cstdint>

namespace fiscemu {

std::string sha256(const std::string& bytes) {
    sha256_ctx context;
    sha256_init(&context);
    sha256_update(&context, bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()));
    std::string digest(SHA256_DIGEST_SIZE, '\0');
    sha256_digest(&context, digest.size(), reinterpret_cast<uint8_t*>(digest.data()));
    return digest;
}

}  // namespace fiscemu
