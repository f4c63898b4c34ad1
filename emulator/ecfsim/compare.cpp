#include "ecfsim/compare.h"

#include <algorithm>
#include <map>

#include "core/device.h"
#include "core/trace.h"
#include "replies/reply_layouts.h"

namespace ecfsim {

namespace {

// Blanks, hyphens and underscores read alike in a field's name.
std::string normalName(const std::string& name) {
    std::string out;
    for (char c : name) {
        char n = c == '-' || c == '_' ? ' ' : c;
        out += n >= 'A' && n <= 'Z' ? static_cast<char>(n - 'A' + 'a') : n;
    }
    return out;
}

std::string shown(const std::string& bytes) {
    std::string quoted = fiscemu::quoteBytes(bytes, bytes.size());
    return quoted.substr(1, quoted.size() - 2);
}

std::string slice(const std::string& reply, int position, int length) {
    if (position < 1 || static_cast<size_t>(position) > reply.size())
        return {};
    return reply.substr(static_cast<size_t>(position - 1), static_cast<size_t>(length));
}

// A failure reply ("Erro: NNN ...") has no fields: it is compared as text.
bool isFailure(const std::string& reply) {
    return reply.find("Erro") != std::string::npos;
}

void addTextDifference(const SessionCall& rec, const std::string& field, const std::string& was,
                       const std::string& is, std::vector<Difference>* out) {
    size_t at = 0;
    while (at < was.size() && at < is.size() && was[at] == is[at])
        ++at;
    constexpr size_t kShown = 24;
    Difference d{rec.number,
                 rec.function,
                 field,
                 static_cast<int>(at) + 1,
                 0,
                 shown(was.substr(std::min(at, was.size()), kShown)),
                 shown(is.substr(std::min(at, is.size()), kShown))};
    out->push_back(std::move(d));
}

}  // namespace

IgnoredFields::IgnoredFields(const std::vector<std::string>& names) {
    for (const std::string& n : names)
        names_.insert(normalName(n));
}

bool IgnoredFields::ignores(const std::string& function, const std::string& field) const {
    if (names_.empty())
        return false;
    std::string f = normalName(field);
    return names_.count(f) || names_.count(normalName(function) + "." + f);
}

bool isKnownField(const std::string& name) {
    std::string wanted = normalName(name);
    size_t dot = wanted.find('.');
    std::string function = dot == std::string::npos ? "" : name.substr(0, dot);
    std::string field = dot == std::string::npos ? wanted : wanted.substr(dot + 1);
    if (!function.empty() && !fiscemu::isDriverFunction(function))
        return false;
    if (field == "código" || field == "resposta" || field == "papel")
        return true;
    for (const std::string& fn : fiscemu::driverFunctionNames()) {
        if (!function.empty() && fn != function)
            continue;
        ReplyLayout layout = replyLayout(fn);
        for (size_t i = 0; i < layout.count; ++i)
            if (normalName(layout.fields[i].name) == field)
                return true;
    }
    return false;
}

void compareAnswer(const SessionCall& rec, const Answer& now, const IgnoredFields& ignored,
                   std::vector<Difference>* out) {
    if (!rec.isReply) {
        if (now.code != rec.code && !ignored.ignores(rec.function, "código"))
            out->push_back({rec.number, rec.function, "código", 0, 0, std::to_string(rec.code),
                            std::to_string(now.code)});
        return;
    }
    if (now.reply == rec.reply)
        return;
    ReplyLayout layout = replyLayout(rec.function);
    if (!layout || isFailure(rec.reply) || isFailure(now.reply)) {
        if (!ignored.ignores(rec.function, "resposta"))
            addTextDifference(rec, "resposta", rec.reply, now.reply, out);
        return;
    }
    size_t end = 0;
    for (size_t i = 0; i < layout.count; ++i) {
        const ReplyField& f = layout.fields[i];
        end = std::max(end, static_cast<size_t>(f.position + f.length - 1));
        std::string was = slice(rec.reply, f.position, f.length);
        std::string is = slice(now.reply, f.position, f.length);
        if (was != is && !ignored.ignores(rec.function, f.name))
            out->push_back(
                {rec.number, rec.function, f.name, f.position, f.length, shown(was), shown(is)});
    }
    // What lies past the last field (a longer or shorter reply) is text.
    std::string wasRest = rec.reply.size() > end ? rec.reply.substr(end) : "";
    std::string isRest = now.reply.size() > end ? now.reply.substr(end) : "";
    if (wasRest != isRest && !ignored.ignores(rec.function, "resposta")) {
        size_t before = out->size();
        addTextDifference(rec, "resposta", wasRest, isRest, out);
        (*out)[before].position += static_cast<int>(end);
    }
}

void comparePaper(const SessionCall& rec, const std::vector<SessionPaperLine>& now,
                  const IgnoredFields& ignored, std::vector<Difference>* out) {
    if (ignored.ignores(rec.function, "papel"))
        return;
    size_t lines = std::max(rec.paper.size(), now.size());
    for (size_t i = 0; i < lines; ++i) {
        auto text = [i](const std::vector<SessionPaperLine>& paper) {
            return i < paper.size() ? std::string(1, paper[i].station) + " " + shown(paper[i].bytes)
                                    : std::string("(nenhuma)");
        };
        std::string was = text(rec.paper), is = text(now);
        if (was != is)
            out->push_back(
                {rec.number, rec.function, "papel", static_cast<int>(i) + 1, 0, was, is});
    }
}

std::string differenceText(const Difference& d) {
    std::string where = d.call > 0 ? "chamada " + std::to_string(d.call) + ", " + d.function
                                   : std::string("depois da última chamada");
    std::string field;
    if (d.field == "código") {
        field = "código de retorno";
    } else if (d.field == "papel") {
        field = "papel, linha " + std::to_string(d.position);
    } else if (d.field == "resposta") {
        field = "resposta (a partir da posição " + std::to_string(d.position) + ")";
    } else {
        field = "campo " + d.field + " (posições " + std::to_string(d.position) + " a " +
                std::to_string(d.position + d.length - 1) + ")";
    }
    return where + ", " + field + ": gravado " + d.recorded + ", agora " + d.now;
}

nlohmann::ordered_json differenceJson(const Difference& d) {
    nlohmann::ordered_json j = {{"call", d.call}, {"function", d.function}, {"field", d.field}};
    j["position"] = d.position ? nlohmann::ordered_json(d.position) : nullptr;
    j["length"] = d.length ? nlohmann::ordered_json(d.length) : nullptr;
    j["recorded"] = d.recorded;
    j["now"] = d.now;
    return j;
}

std::vector<DifferenceGroup> summarize(const std::vector<Difference>& differences) {
    std::map<std::pair<std::string, std::string>, int64_t> counts;
    for (const Difference& d : differences)
        ++counts[{d.function, d.field}];
    std::vector<DifferenceGroup> groups;
    for (const auto& [key, count] : counts)
        groups.push_back({key.first, key.second, count});
    std::stable_sort(
        groups.begin(), groups.end(),
        [](const DifferenceGroup& a, const DifferenceGroup& b) { return a.count > b.count; });
    return groups;
}

}  // namespace ecfsim
