// SHA-256 as the fiscal memory's chain computes it: the known answers of
// FIPS 180-2 (one block, two blocks, a million letters).
#include <gtest/gtest.h>

#include "core/chain.h"  // toHex
#include "core/sha256.h"

namespace {

std::string hexSha256(const std::string& bytes) {
    return fiscemu::toHex(fiscemu::sha256(bytes));
}

TEST(Sha256, GivesTheStandardsKnownAnswers) {
    EXPECT_EQ(hexSha256("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(hexSha256("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(hexSha256(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

}  // namespace
