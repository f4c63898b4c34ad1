// The fiscal memory's hash chain: each record carries a SHA-256 over its own
// content and the previous record's hash, so that altering, deleting or
// reordering a past record shows at the first record whose hash no longer
// matches. The first record's "previous hash" is 32 zero bytes.
#pragma once

#include <string>
#include <vector>

#include "core/printer.h"

namespace fiscemu {

constexpr size_t kHashBytes = 32;

// The record's content as hashed: every field in a fixed order, unambiguous.
std::string canonicalRecord(const FiscalRecord& r);
// SHA-256 (raw bytes) of previous hash + canonical content.
std::string chainHash(const FiscalRecord& r, const std::string& previousHash);
// The hash a first record chains from.
std::string chainStart();
// Lower-case hexadecimal.
std::string toHex(const std::string& bytes);

// Checks the records in their stored order against their numbering (1, 2,
// ...), their hashes, and the hash of the newest record kept apart
// (`head`, empty when none is kept). Each problem names the record.
std::vector<std::string> chainProblems(const std::vector<FiscalRecord>& records,
                                       const std::string& head);

}  // namespace fiscemu
