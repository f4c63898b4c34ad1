// Comparing a replayed call with its recording: result codes as numbers,
// status replies field by field in their layouts (reply_layouts.h), a reply
// without a layout as text from its first differing position, and the paper
// line by line.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ecfsim/session.h"

namespace ecfsim {

// What the library answered to one call.
struct Answer {
    bool isReply = false;
    int64_t code = 0;
    std::string reply;
};

struct Difference {
    int64_t call = 0;  // the session's call number; 0 for the paper left over at the end
    std::string function;
    std::string field;             // a reply field's name, "código", "resposta" or "papel"
    int position = 0, length = 0;  // 1-based; 0 when the difference has no position
    std::string recorded, now;     // bytes escaped as in the trace
};

// The names --ignore leaves out: a field's name ("subtotal", "grande total"
// or "grande-total"), "código", "resposta", "papel", or one function's field
// ("ecfStatusCupom.subtotal"). Case and accents as written.
class IgnoredFields {
public:
    explicit IgnoredFields(const std::vector<std::string>& names = {});
    bool ignores(const std::string& function, const std::string& field) const;

private:
    std::set<std::string> names_;
};

// Every field name a reply layout knows, for checking --ignore.
bool isKnownField(const std::string& name);

void compareAnswer(const SessionCall& recorded, const Answer& now, const IgnoredFields& ignored,
                   std::vector<Difference>* out);

// The paper each call printed, recorded and replayed, line by line.
void comparePaper(const SessionCall& recorded, const std::vector<SessionPaperLine>& now,
                  const IgnoredFields& ignored, std::vector<Difference>* out);

// "chamada 17, ecfStatusCupom, campo subtotal (posições 26 a 46): gravado
// 000000003000, agora 000000002900"
std::string differenceText(const Difference& d);
nlohmann::ordered_json differenceJson(const Difference& d);

// The differences grouped by function and field, most first.
struct DifferenceGroup {
    std::string function, field;
    int64_t count = 0;
};
std::vector<DifferenceGroup> summarize(const std::vector<Difference>& differences);

}  // namespace ecfsim
