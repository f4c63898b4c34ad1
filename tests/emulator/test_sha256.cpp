// SHA-256 as the fiscal memory's chain computes it, libcrypto loaded at the
// first hash: the known answers of FIPS 180-2 (one block, two blocks).
#include <gtest/gtest.h>

#include "core/chain.h"  // toHex
#include "core/sha256.h"

namespace {

std::string hexSha256(const std::string& bytes) {
    std::string digest, error;
    EXPECT_TRUE(fiscemu::sha256(bytes, &digest, &error)) << error;
    return fiscemu::toHex(digest);
}

TEST(Sha256, GivesTheStandardsKnownAnswers) {
    EXPECT_EQ(hexSha256("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(hexSha256("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

}  // namespace
