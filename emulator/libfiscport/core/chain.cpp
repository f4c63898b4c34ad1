#include "core/chain.h"

#include <cstdio>

#include "core/sha256.h"

namespace fiscemu {

std::string canonicalRecord(const FiscalRecord& r) {
    std::string out = "fiscal-record-v1";
    for (int64_t v : {r.z, r.ymd, r.time, r.coo, r.cro, r.gt, r.gross, r.cancellations, r.discounts,
                      r.surcharges, r.net})
        out += ";" + std::to_string(v);
    out += ";" + std::to_string(r.details.size()) + ":" + r.details;
    return out;
}

std::string chainStart() {
    return std::string(kHashBytes, '\0');
}

std::string chainHash(const FiscalRecord& r, const std::string& previousHash) {
    return sha256(previousHash + canonicalRecord(r));
}

std::string toHex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

std::vector<std::string> chainProblems(const std::vector<FiscalRecord>& records,
                                       const std::string& head) {
    std::vector<std::string> problems;
    std::string previous = chainStart();
    for (size_t i = 0; i < records.size(); ++i) {
        const FiscalRecord& r = records[i];
        const std::string name = "fiscal memory record Z " + std::to_string(r.z);
        if (r.z != static_cast<int64_t>(i + 1)) {
            problems.push_back(name + " is at position " + std::to_string(i + 1) +
                               ": a record was deleted or the records reordered");
            return problems;
        }
        if (r.hash.size() != kHashBytes) {
            problems.push_back(name + ": no hash");
            return problems;
        }
        if (chainHash(r, previous) != r.hash) {
            problems.push_back(name + ": hash does not match: its content was altered, or the " +
                               "record before it was altered, deleted or moved");
            return problems;
        }
        previous = r.hash;
    }
    if (!head.empty() && (records.empty() ? chainStart() : records.back().hash) != head)
        problems.push_back("fiscal memory: its newest record(s) from Z " +
                           std::to_string(records.size() + 1) + " on were deleted or altered");
    return problems;
}

}  // namespace fiscemu
