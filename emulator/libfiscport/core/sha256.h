// SHA-256 by OpenSSL's libcrypto, which is loaded the first time a hash is
// needed rather than with the library: a program that never closes a day on
// a memory without fiscal records (every start on a new memory) never loads
// it, and loading it cost about a fifth of the libraries' loading at start-up.
#pragma once

#include <string>

namespace fiscemu {

// The SHA-256 of `bytes` (32 raw bytes) in *digest. False, with the reason in
// *error, when libcrypto cannot be loaded or does not compute it.
bool sha256(const std::string& bytes, std::string* digest, std::string* error);

}  // namespace fiscemu
