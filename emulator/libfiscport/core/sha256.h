// SHA-256 by Nettle: a small library whose loading costs the driver's users
// next to nothing at start-up, where OpenSSL's libcrypto cost about a fifth of
// the libraries' loading before main. SHA-256 is one standard: the hashes
// already stored in the printers' memories are the same whichever library
// computes them.
#pragma once

#include <string>

namespace fiscemu {

// The SHA-256 of `bytes`, 32 raw bytes.
std::string sha256(const std::string& bytes);

}  // namespace fiscemu
