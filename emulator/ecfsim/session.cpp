#include "ecfsim/session.h"

#include <fcntl.h>
#include <nettle/base64.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "core/chain.h"
#include "core/clock.h"
#include "core/pathcheck.h"
#include "core/sha256.h"
#include "core/store.h"
#include "core/trace.h"
#include "ecfsim/views.h"

namespace ecfsim {

using Json = nlohmann::ordered_json;

namespace {

const char kFormat[] = "bancada-ecf-sessao";

std::string sha256Hex(const std::string& bytes) {
    return fiscemu::toHex(fiscemu::sha256(bytes));
}

std::string toBase64(const std::string& bytes) {
    std::string out(BASE64_ENCODE_RAW_LENGTH(bytes.size()), '\0');
    base64_encode_raw(out.data(), bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()));
    return out;
}

// The standard alphabet in whole groups of four, padded with '=' at the end.
// Nettle's decoder skips spaces and line breaks; the memory's size and
// SHA-256 are checked after it.
std::optional<std::string> fromBase64(const std::string& text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::string out(BASE64_DECODE_LENGTH(text.size()), '\0');
    base64_decode_ctx decoder;
    base64_decode_init(&decoder);
    size_t size = out.size();
    if (!base64_decode_update(&decoder, &size, reinterpret_cast<uint8_t*>(out.data()), text.size(),
                              text.data()) ||
        !base64_decode_final(&decoder))
        return std::nullopt;
    out.resize(size);
    return out;
}

std::string escaped(const std::string& bytes) {
    std::string quoted = fiscemu::quoteBytes(bytes, bytes.size());
    return quoted.substr(1, quoted.size() - 2);
}

Json callJson(const SessionCall& c) {
    Json j = {{"n", c.number},
              {"time", c.time},
              {"clock", c.clock},
              {"function", c.function},
              {"args", c.args}};
    if (c.isReply)
        j["reply"] = escaped(c.reply);
    else
        j["code"] = c.code;
    j["micros"] = c.micros;
    Json paper = Json::array();
    for (const SessionPaperLine& line : c.paper)
        paper.push_back({{"station", std::string(1, line.station)}, {"text", escaped(line.bytes)}});
    j["paper"] = paper;
    return j;
}

Json headerJson(const Session& s) {
    return {{"format", kFormat},
            {"version", kSessionVersion},
            {"started", s.startedAt},
            {"stopped", s.stoppedAt}};
}

// ---------------------------------------------------------------- reading

[[noreturn]] void refuse(const std::string& message) {
    throw SessionError{message};
}

const Json& member(const Json& object, const char* key, const std::string& part) {
    auto it = object.find(key);
    if (it == object.end())
        refuse(part + ": falta o campo '" + key + "'");
    return *it;
}

std::string textMember(const Json& object, const char* key, const std::string& part) {
    const Json& v = member(object, key, part);
    if (!v.is_string())
        refuse(part + ": o campo '" + key + "' deveria ser um texto");
    return v.get<std::string>();
}

int64_t numberMember(const Json& object, const char* key, const std::string& part) {
    const Json& v = member(object, key, part);
    if (!v.is_number_integer())
        refuse(part + ": o campo '" + key + "' deveria ser um número inteiro");
    return v.get<int64_t>();
}

std::string bytesMember(const Json& object, const char* key, const std::string& part) {
    std::optional<std::string> bytes = fiscemu::unescapeBytes(textMember(object, key, part));
    if (!bytes)
        refuse(part + ": o campo '" + key + "' tem um escape \\x inválido");
    return *bytes;
}

// Arguments as traceArguments writes them: numbers, texts, null, {"pointer": N}.
void checkArguments(const Json& args, const std::string& part) {
    if (!args.is_array())
        refuse(part + ": 'args' deveria ser uma lista");
    for (const Json& a : args) {
        bool ok = a.is_null() || a.is_number_integer() ||
                  (a.is_string() && fiscemu::unescapeBytes(a.get<std::string>())) ||
                  (a.is_object() && a.contains("pointer") && a["pointer"].is_number_integer()) ||
                  (a.is_object() && a.contains("text") && a.contains("bytes"));
        if (!ok)
            refuse(part + ": argumento ilegível: " + a.dump());
    }
}

SessionCall readCall(const Json& j, size_t index) {
    std::string part = "chamada " + std::to_string(index + 1);
    if (!j.is_object())
        refuse(part + ": não é um objeto");
    SessionCall c;
    c.number = numberMember(j, "n", part);
    if (c.number != static_cast<int64_t>(index) + 1)
        refuse(part + ": numerada " + std::to_string(c.number) + " fora de ordem");
    c.time = textMember(j, "time", part);
    c.clock = textMember(j, "clock", part);
    if (!c.clock.empty() && fiscemu::parsePinnedTime(c.clock) < 0)
        refuse(part + ": relógio inválido '" + c.clock + "'");
    c.function = textMember(j, "function", part);
    if (!fiscemu::isDriverFunction(c.function))
        refuse(part + ": '" + c.function + "' não é uma função da biblioteca");
    c.args = member(j, "args", part);
    checkArguments(c.args, part);
    c.isReply = j.contains("reply");
    if (c.isReply)
        c.reply = bytesMember(j, "reply", part);
    else
        c.code = numberMember(j, "code", part);
    c.micros = numberMember(j, "micros", part);
    const Json& paper = member(j, "paper", part);
    if (!paper.is_array())
        refuse(part + ": 'paper' deveria ser uma lista");
    for (const Json& line : paper) {
        if (!line.is_object())
            refuse(part + ": linha de papel ilegível");
        std::string station = textMember(line, "station", part + ", papel");
        if (station.size() != 1)
            refuse(part + ", papel: estação inválida '" + station + "'");
        c.paper.push_back({station[0], bytesMember(line, "text", part + ", papel")});
    }
    return c;
}

std::string readWholeFile(const std::string& path) {
    int fd = fiscemu::openRegular(path, O_RDONLY);
    if (fd < 0)
        refuse(path + ": não foi possível abrir (" + std::strerror(errno) + ")");
    std::string data;
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int e = errno;
            close(fd);
            refuse(path + ": erro de leitura (" + std::strerror(e) + ")");
        }
        if (n == 0)
            break;
        data.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return data;
}

}  // namespace

Session readSession(const std::string& path) {
    std::string data = readWholeFile(path);
    if (data.empty())
        refuse(path + ": arquivo vazio, não é uma sessão gravada");
    Json j = Json::parse(data, nullptr, false);
    if (j.is_discarded())
        refuse(path + ": não é uma sessão legível (JSON inválido ou cortado)");
    if (!j.is_object() || !j.contains("format") || j["format"] != kFormat)
        refuse(path + ": não é uma sessão gravada pelo ecfsim (falta \"format\": \"" + kFormat +
               "\")");
    int64_t version = numberMember(j, "version", "cabeçalho");
    if (version > kSessionVersion)
        refuse(path + ": sessão no formato versão " + std::to_string(version) +
               ", mais nova que a versão " + std::to_string(kSessionVersion) +
               " que este ecfsim lê; use um ecfsim mais novo");
    if (version < 1)
        refuse(path + ": versão de formato inválida " + std::to_string(version));
    Session s;
    s.startedAt = textMember(j, "started", "cabeçalho");
    s.stoppedAt = textMember(j, "stopped", "cabeçalho");
    const Json& memory = member(j, "memory", "cabeçalho");
    if (!memory.is_object())
        refuse("memória inicial: deveria ser um objeto");
    std::optional<std::string> bytes = fromBase64(textMember(memory, "base64", "memória inicial"));
    if (!bytes)
        refuse("memória inicial: base64 inválido");
    if (static_cast<int64_t>(bytes->size()) != numberMember(memory, "size", "memória inicial"))
        refuse("memória inicial: tamanho não confere (arquivo danificado)");
    if (sha256Hex(*bytes) != textMember(memory, "sha256", "memória inicial"))
        refuse("memória inicial: SHA-256 não confere (arquivo danificado)");
    s.memory = std::move(*bytes);
    const Json& calls = member(j, "calls", "cabeçalho");
    if (!calls.is_array())
        refuse("chamadas: deveria ser uma lista");
    s.calls.reserve(calls.size());
    for (size_t i = 0; i < calls.size(); ++i)
        s.calls.push_back(readCall(calls[i], i));
    return s;
}

std::string sessionFileText(const Session& s) {
    Json j = headerJson(s);
    j["memory"] = {
        {"size", s.memory.size()}, {"sha256", sha256Hex(s.memory)}, {"base64", toBase64(s.memory)}};
    Json calls = Json::array();
    for (const SessionCall& c : s.calls)
        calls.push_back(callJson(c));
    j["calls"] = std::move(calls);
    // One call per line: the file reads (and diffs) call by call.
    std::string out = "{\n";
    bool first = true;
    for (auto it = j.begin(); it != j.end(); ++it) {
        out += first ? "" : ",\n";
        first = false;
        out += "  " + Json(it.key()).dump() + ": ";
        if (it.key() == "calls") {
            out += "[";
            for (size_t i = 0; i < it->size(); ++i)
                out += std::string(i ? ",\n    " : "\n    ") + (*it)[i].dump();
            out += it->empty() ? "]" : "\n  ]";
        } else {
            out += it->dump();
        }
    }
    return out + "\n}\n";
}

std::string sessionListJson(const Session& s) {
    Json j = headerJson(s);
    j["memory"] = {{"size", s.memory.size()}, {"sha256", sha256Hex(s.memory)}};
    Json calls = Json::array();
    for (const SessionCall& c : s.calls)
        calls.push_back(callJson(c));
    j["calls"] = std::move(calls);
    return j.dump(2) + "\n";
}

std::string callText(const SessionCall& c) {
    std::string args;
    for (const Json& a : c.args) {
        args += args.empty() ? "" : ", ";
        if (a.is_null())
            args += "NULL";
        else if (a.is_string())
            args += "\"" + a.get<std::string>() + "\"";
        else if (a.is_object() && a.contains("pointer"))
            args += "&" + a["pointer"].dump();
        else if (a.is_object())
            args += "\"" + a["text"].get<std::string>() + "\"...(" + a["bytes"].dump() + " bytes)";
        else
            args += a.dump();
    }
    std::string result = c.isReply ? "\"" + escaped(c.reply) + "\"" : std::to_string(c.code);
    return c.function + "(" + args + ") = " + result;
}

std::string sessionListText(const Session& s) {
    std::string out;
    for (const SessionCall& c : s.calls) {
        char head[96];
        std::snprintf(head, sizeof head, "%6lld  %-19s  ", static_cast<long long>(c.number),
                      c.clock.empty() ? "(relógio ?)" : c.clock.c_str());
        out += head + callText(c);
        if (!c.paper.empty())
            out += "  [" + std::to_string(c.paper.size()) + " linha(s) de papel]";
        out += "\n";
    }
    out += std::to_string(s.calls.size()) + " chamada(s) gravada(s) de " + s.startedAt + " a " +
           s.stoppedAt + ".\n";
    return out;
}

// ---------------------------------------------------------------- recording

namespace {

std::string nowText() {
    return fiscemu::isoTime(fiscemu::wallNow());
}

Result failed(const std::string& why) {
    Result r;
    r.ok = false;
    r.error = why;
    return r;
}

// The trace rows of the session, each with the paper it printed.
std::vector<SessionCall> sessionCalls(fiscemu::Store& store, const SessionMark& mark,
                                      std::string* warning) {
    std::vector<fiscemu::TraceRow> rows = store.trace(0, 0);
    // The trace keeps its newest 4 to 8 MiB: a row before the session's
    // first must still be there, or the oldest calls went with a rotation.
    if (mark.traceAfter > 0 && (rows.empty() || rows.front().id > mark.traceAfter))
        *warning =
            "o registro de chamadas girou durante a sessão: as chamadas mais antigas "
            "podem ter se perdido";
    rows.erase(rows.begin(),
               std::find_if(rows.begin(), rows.end(),
                            [&](const fiscemu::TraceRow& r) { return r.id > mark.traceAfter; }));
    std::vector<fiscemu::PaperRow> paper = store.paper(mark.paperAfter, 0);
    std::vector<SessionCall> calls;
    calls.reserve(rows.size());
    size_t nextLine = 0;
    for (const fiscemu::TraceRow& row : rows) {
        SessionCall c;
        c.number = static_cast<int64_t>(calls.size()) + 1;
        c.time = row.time;
        c.clock = row.facts.clock >= 0 ? fiscemu::isoTime(row.facts.clock) : "";
        c.function = row.function;
        std::optional<Json> args = traceArguments(row.args);
        c.args = args ? *args : Json::array();
        if (!row.result.empty() && row.result[0] == '"') {
            c.isReply = true;
            std::string inner = row.result.substr(1, row.result.rfind('"') - 1);
            c.reply = fiscemu::unescapeBytes(inner).value_or(inner);
        } else {
            c.code = std::strtoll(row.result.c_str(), nullptr, 10);
        }
        c.micros = row.micros;
        for (int64_t i = 0; i < row.facts.paperLines && nextLine < paper.size(); ++i, ++nextLine)
            c.paper.push_back({paper[nextLine].station, paper[nextLine].bytes});
        calls.push_back(std::move(c));
    }
    if (nextLine < paper.size())
        *warning += (warning->empty() ? "" : "; ") + std::to_string(paper.size() - nextLine) +
                    " linha(s) de papel sem chamada registrada ficaram de fora";
    return calls;
}

}  // namespace

Result recordStop(const std::string& memoryPath, const std::string& file) {
    std::optional<SessionMark> mark = readSessionMark(memoryPath);
    if (!mark)
        return failed("nenhuma sessão aberta (comece com 'ecfsim record start')");
    std::string error;
    auto dev = openMemory(memoryPath, false, &error);
    if (!dev)
        return failed(error);
    std::vector<std::string> memoryFiles = dev->store().companionPaths();
    memoryFiles.push_back(sessionMarkPath(memoryPath));
    memoryFiles.push_back(sessionStartPath(memoryPath));
    for (const std::string& f : memoryFiles)
        if (f == file)
            return failed(file + ": é um arquivo da memória; escolha outro nome");
    Session s;
    s.startedAt = mark->startedAt;
    s.stoppedAt = nowText();
    try {
        s.memory = readWholeFile(sessionStartPath(memoryPath));
    } catch (const SessionError& e) {
        return failed("a cópia do início da sessão se perdeu: " + e.message);
    }
    std::string warning;
    s.calls = sessionCalls(dev->store(), *mark, &warning);
    if (!writeFileInPlace(file, sessionFileText(s), &error))
        return failed("não foi possível gravar a sessão: " + error);
    unlink(sessionMarkPath(memoryPath).c_str());
    unlink(sessionStartPath(memoryPath).c_str());
    Result r;
    r.lines.push_back("Sessão gravada em " + file + ": " + std::to_string(s.calls.size()) +
                      " chamada(s) de " + s.startedAt + " a " + s.stoppedAt + ".");
    if (!warning.empty())
        r.lines.push_back("Aviso: " + warning + ".");
    return r;
}

int64_t recordedCalls(const std::string& memoryPath) {
    std::optional<SessionMark> mark = readSessionMark(memoryPath);
    if (!mark)
        return -1;
    fiscemu::TraceLog log(memoryPath);
    return static_cast<int64_t>(log.read(mark->traceAfter, 0).size());
}

Result recordStatus(const std::string& memoryPath) {
    std::optional<SessionMark> mark = readSessionMark(memoryPath);
    Result r;
    if (!mark) {
        r.lines.push_back("Nenhuma sessão aberta.");
        return r;
    }
    r.lines.push_back("Sessão aberta desde " + mark->startedAt + ": " +
                      std::to_string(recordedCalls(memoryPath)) + " chamada(s) gravada(s).");
    return r;
}

}  // namespace ecfsim
