#include "ecfsim/replay.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ftw.h>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <tuple>
#include <utility>

#include "core/clock.h"
#include "core/device.h"
#include "core/store.h"
#include "core/trace.h"
#include "loader/fiscport_loader.h"

namespace ecfsim {

namespace {

using Json = nlohmann::ordered_json;

// ---------------------------------------------------------------- arguments

// One argument as it crosses to C.
struct CallArg {
    int32_t number = 0;
    std::optional<std::string> text;  // the bytes; none for NULL
    int32_t pointee = 0;
    bool isPointer = false;
};

const char* cValue(CallArg& a, const char*) {
    return a.text ? a.text->c_str() : nullptr;
}
int32_t cValue(CallArg& a, int32_t) {
    return a.number;
}
int32_t* cValue(CallArg& a, int32_t*) {
    return a.isPointer ? &a.pointee : nullptr;
}

template <class A>
constexpr char kindOf() {
    if constexpr (std::is_same_v<A, const char*>)
        return 't';
    else if constexpr (std::is_same_v<A, int32_t*>)
        return 'p';
    else
        return 'n';
}

template <class R, class... A>
std::string signatureOf(R (*)(A...)) {
    return std::string{kindOf<A>()...};
}

template <class R, class... A, size_t... I>
R callWith(R (*fn)(A...), std::vector<CallArg>& args, std::index_sequence<I...>) {
    return fn(cValue(args[I], A{})...);
}

Answer answerOf(int32_t code) {
    Answer a;
    a.code = code;
    return a;
}
Answer answerOf(const char* reply) {
    Answer a;
    a.isReply = true;
    a.reply = reply ? reply : "";
    return a;
}

template <class R, class... A>
Answer invoke(R (*fn)(A...), std::vector<CallArg>& args) {
    return answerOf(callWith(fn, args, std::index_sequence_for<A...>{}));
}

template <class R, class... A>
constexpr bool returnsText(R (*)(A...)) {
    return std::is_same_v<R, const char*>;
}

using Invoker = Answer (*)(const FiscportLibrary&, std::vector<CallArg>&);

struct FunctionEntry {
    const char* name;
    std::string signature;  // 'n' a number, 't' a text, 'p' a pointer to a number
    bool reply;
    Invoker invoker;
};

// The fifty functions with how each is called, in the header's order.
const std::vector<FunctionEntry>& functions() {
    static const std::vector<FunctionEntry> kFunctions = {
#define REPLAY_ENTRY(name)                                           \
    FunctionEntry{                                                   \
        #name, signatureOf(static_cast<decltype(&::name)>(nullptr)), \
        returnsText(static_cast<decltype(&::name)>(nullptr)),        \
        [](const FiscportLibrary& l, std::vector<CallArg>& a) { return invoke(l.name, a); }},
        FISCPORT_NAMES(REPLAY_ENTRY)
#undef REPLAY_ENTRY
    };
    return kFunctions;
}

const FunctionEntry* functionNamed(const std::string& name) {
    for (const FunctionEntry& f : functions())
        if (name == f.name)
            return &f;
    return nullptr;
}

// One call ready to be made: its function, its arguments and the instant
// the printer's clock must show.
struct PreparedCall {
    const FunctionEntry* function = nullptr;
    std::vector<CallArg> args;
    int64_t clock = -1;  // epoch seconds; -1 leaves the clock where it was
};

// The session's calls in the form the child makes them; a call the session
// holds in a form no library takes is an unusable session.
std::vector<PreparedCall> prepare(const Session& session, std::string* error) {
    std::vector<PreparedCall> calls;
    calls.reserve(session.calls.size());
    for (const SessionCall& c : session.calls) {
        std::string part = "chamada " + std::to_string(c.number) + " (" + c.function + ")";
        PreparedCall p;
        p.function = functionNamed(c.function);
        if (!p.function) {
            *error = part + ": função desconhecida";
            return {};
        }
        if (c.args.size() != p.function->signature.size()) {
            *error = part + ": " + std::to_string(c.args.size()) + " argumento(s), a função tem " +
                     std::to_string(p.function->signature.size());
            return {};
        }
        if (p.function->reply != c.isReply) {
            *error = part + ": a gravação traz " + (c.isReply ? "uma resposta" : "um código") +
                     ", a função devolve " + (p.function->reply ? "uma resposta" : "um código");
            return {};
        }
        for (size_t i = 0; i < c.args.size(); ++i) {
            const Json& a = c.args[i];
            CallArg arg;
            char kind = p.function->signature[i];
            bool ok = false;
            if (kind == 'n' && a.is_number_integer()) {
                arg.number = static_cast<int32_t>(a.get<int64_t>());
                ok = a.get<int64_t>() == arg.number;
            } else if (kind == 't' && (a.is_string() || a.is_null())) {
                if (a.is_string())
                    arg.text = fiscemu::unescapeBytes(a.get<std::string>());
                ok = a.is_null() || arg.text.has_value();
            } else if (kind == 'p' && (a.is_null() || a.is_object())) {
                arg.isPointer = a.is_object() && a.contains("pointer");
                ok = a.is_null() || (arg.isPointer && a["pointer"].is_number_integer());
                if (arg.isPointer && ok)
                    arg.pointee = a["pointer"].get<int32_t>();
            }
            if (!ok) {
                *error = part + ", argumento " + std::to_string(i + 1) + ": " +
                         (a.is_object() && a.contains("bytes")
                              ? std::string("texto cortado na gravação, não pode ser reproduzido")
                              : "tipo errado (" + a.dump() + ")");
                return {};
            }
            p.args.push_back(std::move(arg));
        }
        p.clock = c.clock.empty() ? -1 : fiscemu::parsePinnedTime(c.clock);
        calls.push_back(std::move(p));
    }
    return calls;
}

// ---------------------------------------------------------------- the pipe

bool writeAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// A message of the child: a kind and a text (or a reply), with a code.
enum : uint8_t { kLoaded, kLoadFailed, kMissing, kCode, kReply };

struct Message {
    uint8_t kind = 0;
    int64_t code = 0;
    std::string text;
};

// The child's messages, gathered and written in blocks: one write per
// call would wake the parent at every call. What a crash leaves unwritten
// is told by the call the child had reached (CallCounter).
class Sender {
public:
    explicit Sender(int fd) : fd_(fd) {}
    bool send(uint8_t kind, int64_t code, const std::string& text) {
        uint32_t size = static_cast<uint32_t>(text.size());
        buffer_.append(reinterpret_cast<const char*>(&kind), sizeof kind);
        buffer_.append(reinterpret_cast<const char*>(&code), sizeof code);
        buffer_.append(reinterpret_cast<const char*>(&size), sizeof size);
        buffer_ += text;
        return buffer_.size() < kBlock || flush();
    }
    bool flush() {
        bool ok = writeAll(fd_, buffer_.data(), buffer_.size());
        buffer_.clear();
        return ok;
    }

private:
    static constexpr size_t kBlock = 64 * 1024;
    int fd_;
    std::string buffer_;
};

// The parent's side: reads the pipe in blocks and hands out messages.
class Receiver {
public:
    explicit Receiver(int fd) : fd_(fd) {}
    std::optional<Message> next() {
        Message m;
        uint32_t size = 0;
        if (!take(&m.kind, sizeof m.kind) || !take(&m.code, sizeof m.code) ||
            !take(&size, sizeof size))
            return std::nullopt;
        m.text.resize(size);
        if (size && !take(m.text.data(), size))
            return std::nullopt;
        return m;
    }

private:
    bool take(void* out, size_t size) {
        char* p = static_cast<char*>(out);
        while (size > 0) {
            if (at_ == end_) {
                ssize_t n = read(fd_, buffer_, sizeof buffer_);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    return false;
                at_ = 0;
                end_ = static_cast<size_t>(n);
            }
            size_t part = std::min(size, end_ - at_);
            std::memcpy(p, buffer_ + at_, part);
            at_ += part;
            p += part;
            size -= part;
        }
        return true;
    }
    int fd_;
    char buffer_[64 * 1024];
    size_t at_ = 0, end_ = 0;
};

// The number of the call the child is making, in memory shared with the
// parent: a crash is reported with it, whatever answers were still unsent.
class CallCounter {
public:
    CallCounter() {
        void* p = mmap(nullptr, sizeof(int64_t), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS,
                       -1, 0);
        at_ = p == MAP_FAILED ? &fallback_ : static_cast<int64_t*>(p);
        *at_ = 0;
    }
    ~CallCounter() {
        if (at_ != &fallback_)
            munmap(at_, sizeof(int64_t));
    }
    CallCounter(const CallCounter&) = delete;
    CallCounter& operator=(const CallCounter&) = delete;
    void set(int64_t index) { __atomic_store_n(at_, index, __ATOMIC_RELAXED); }
    int64_t get() const { return __atomic_load_n(at_, __ATOMIC_RELAXED); }

private:
    int64_t* at_;
    int64_t fallback_ = 0;
};

// ---------------------------------------------------------------- the child

// The printer's clock offset now kept in the memory at `path`.
int64_t clockOffsetOf(const std::string& path, int64_t fallback) {
    std::string error;
    auto dev = fiscemu::Device::open(path, &error);
    return dev ? dev->settings().clockOffset : fallback;
}

// Loads the library, makes every call and reports each answer; never returns.
[[noreturn]] void runChild(int fd, const std::string& library, const std::string& memory,
                           std::vector<PreparedCall>& calls, int64_t offset, CallCounter& counter) {
    Sender out(fd);
    std::string error;
    auto lib = FiscportLibrary::open(library, &error);
    if (!lib) {
        out.send(kLoadFailed, 0, error);
        out.flush();
        _exit(0);
    }
    std::string missing;
    for (const PreparedCall& c : calls) {
        bool absent = false;
        for (const std::string& name : lib->missing())
            absent = absent || name == c.function->name;
        if (absent && missing.find(std::string(c.function->name) + " ") == std::string::npos)
            missing += std::string(c.function->name) + " ";
    }
    if (!missing.empty()) {
        out.send(kMissing, 0, missing);
        out.flush();
        _exit(0);
    }
    // Said at once: a crash from here on is one of a call.
    out.send(kLoaded, 0, {});
    out.flush();
    int64_t pinned = -1;
    for (size_t i = 0; i < calls.size(); ++i) {
        PreparedCall& c = calls[i];
        counter.set(static_cast<int64_t>(i) + 1);
        if (c.clock >= 0 && c.clock - offset != pinned) {
            pinned = c.clock - offset;
            setenv("ECFSIM_TIME", fiscemu::isoTime(pinned).c_str(), 1);
        }
        Answer a = c.function->invoker(*lib, c.args);
        if (!out.send(a.isReply ? kReply : kCode, a.code, a.reply))
            _exit(1);
        // The printer's clock was set: the next instants are pinned from there.
        if (!a.isReply && a.code == 0 && std::strcmp(c.function->name, "ecfAcertaData") == 0) {
            offset = clockOffsetOf(memory, offset);
            pinned = -1;
        }
    }
    _exit(out.flush() ? 0 : 1);
}

// ---------------------------------------------------------------- the folder

int removeEntry(const char* path, const struct stat*, int, struct FTW*) {
    return std::remove(path);
}

void removeTree(const std::string& path) {
    nftw(path.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

// A new private folder: `keep` itself, or one under TMPDIR.
std::string makeFolder(const std::string& keep, std::string* error) {
    if (!keep.empty()) {
        if (mkdir(keep.c_str(), 0700) != 0) {
            *error = keep + ": " + std::strerror(errno) + " (--keep quer uma pasta nova)";
            return {};
        }
        return keep;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/ecfsim-replay-XXXXXX";
    if (!mkdtemp(tmpl.data())) {
        *error = tmpl + ": " + std::strerror(errno);
        return {};
    }
    return tmpl;
}

bool writeMemory(const std::string& path, const std::string& bytes, std::string* error) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool ok = fd >= 0 && writeAll(fd, bytes.data(), bytes.size());
    if (!ok)
        *error = path + ": " + std::strerror(errno);
    if (fd >= 0)
        close(fd);
    return ok;
}

// The rebuilt memory, switched to `model`; its clock offset and where its
// paper roll ends.
bool rebuildMemory(const std::string& path, const Session& session, const std::string& model,
                   int64_t* offset, int64_t* paperAfter, std::string* error) {
    if (!writeMemory(path, session.memory, error))
        return false;
    std::string why;
    auto dev = fiscemu::Device::open(path, &why);
    if (!dev) {
        *error = "memória inicial: não abre (" + why + ")";
        return false;
    }
    if (!model.empty()) {
        std::optional<fiscemu::Model> m = fiscemu::parseModel(model);
        if (!m || !dev->updateSettings([&](fiscemu::Settings& s) { s.model = *m; })) {
            *error = "não foi possível mudar o modelo para " + model;
            return false;
        }
    }
    *offset = dev->settings().clockOffset;
    std::vector<fiscemu::PaperRow> last = dev->store().paper(0, 1);
    *paperAfter = last.empty() ? 0 : last.back().id;
    return true;
}

std::string signalName(int sig) {
    const char* name = sigabbrev_np(sig);
    return name ? std::string("SIG") + name : "sinal " + std::to_string(sig);
}

void showProgress(const ReplayOptions& o, int64_t done, int64_t total, bool last) {
    if (!o.progress || total < 1000)
        return;
    if (last)
        std::fprintf(stderr, "\r%60s\r", "");
    else if (done % 500 == 0)
        std::fprintf(stderr, "\rreproduzindo: %lld de %lld chamadas", static_cast<long long>(done),
                     static_cast<long long>(total));
}

// Compares the paper the replay printed, call by call as the rebuilt
// memory's trace counts it.
void comparePrinted(const Session& session, const std::string& memory, int64_t paperAfter,
                    const IgnoredFields& ignored, ReplayReport* report) {
    std::string why;
    auto dev = fiscemu::Device::open(memory, &why);
    std::vector<fiscemu::TraceRow> rows;
    if (dev)
        rows = dev->store().trace(0, 0);
    if (rows.empty()) {
        report->notes.push_back(
            "papel não comparado: a biblioteca não imprimiu na memória do emulador");
        return;
    }
    std::vector<fiscemu::PaperRow> paper = dev->store().paper(paperAfter, 0);
    bool byCall = rows.size() == session.calls.size();
    size_t next = 0;
    for (size_t i = 0; i < session.calls.size(); ++i) {
        std::vector<SessionPaperLine> printed;
        int64_t lines = byCall ? std::max<int64_t>(rows[i].facts.paperLines, 0) : 0;
        for (int64_t k = 0; k < lines && next < paper.size(); ++k, ++next)
            printed.push_back({paper[next].station, paper[next].bytes});
        comparePaper(session.calls[i], printed, ignored, &report->differences);
    }
    // Lines no call accounts for are a difference of the end.
    SessionCall end;
    end.function = "";
    std::vector<SessionPaperLine> rest;
    for (; next < paper.size(); ++next)
        rest.push_back({paper[next].station, paper[next].bytes});
    if (!rest.empty())
        comparePaper(end, rest, ignored, &report->differences);
}

ReplayReport failure(ReplayReport report, const std::string& why) {
    report.exitCode = 2;
    report.error = why;
    return report;
}

}  // namespace

std::string emulatorLibrary() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&::ecfStatusImp), &info) && info.dli_fname)
        return info.dli_fname;
    return {};
}

ReplayReport replaySession(const Session& session, const ReplayOptions& options) {
    ReplayReport report;
    report.library = options.library.empty() ? emulatorLibrary() : options.library;
    report.calls = static_cast<int64_t>(session.calls.size());
    for (const std::string& name : options.ignore)
        if (!isKnownField(name))
            return failure(report, "--ignore: campo desconhecido '" + name + "'");
    std::string error;
    std::vector<PreparedCall> calls = prepare(session, &error);
    if (!error.empty())
        return failure(report, error);
    std::string folder = makeFolder(options.keep, &error);
    if (folder.empty())
        return failure(report, error);
    std::string memory = folder + "/ecfsim.db";
    int64_t offset = 0, paperAfter = 0;
    if (!rebuildMemory(memory, session, options.model, &offset, &paperAfter, &error)) {
        if (options.keep.empty())
            removeTree(folder);
        return failure(report, error);
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return failure(report, std::string("pipe: ") + std::strerror(errno));
    std::fflush(nullptr);
    CallCounter counter;
    pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        setenv("ECFSIM_DB", memory.c_str(), 1);
        // A reading of the fiscal memory writes its file in the working folder.
        if (chdir(folder.c_str()) != 0)
            _exit(1);
        runChild(pipeFds[1], report.library, memory, calls, offset, counter);
    }
    close(pipeFds[1]);
    IgnoredFields ignored(options.ignore);
    Receiver answers(pipeFds[0]);
    std::optional<Message> first = child > 0 ? answers.next() : std::nullopt;
    if (first && first->kind == kLoadFailed)
        error = "biblioteca: " + first->text;
    else if (first && first->kind == kMissing)
        error = "biblioteca " + report.library + ": faltam funções que a sessão usa: " +
                first->text.substr(0, first->text.size() - 1);
    else if (first && first->kind == kLoaded)
        for (const SessionCall& rec : session.calls) {
            std::optional<Message> m = answers.next();
            if (!m)
                break;
            Answer now;
            now.isReply = m->kind == kReply;
            now.code = m->code;
            now.reply = std::move(m->text);
            compareAnswer(rec, now, ignored, &report.differences);
            ++report.replayed;
            showProgress(options, report.replayed, report.calls, false);
        }
    showProgress(options, report.replayed, report.calls, true);
    close(pipeFds[0]);
    int status = 0;
    if (child > 0)
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    if (error.empty() && !first) {
        error = "a biblioteca " + report.library + " parou ao ser carregada" +
                (WIFSIGNALED(status) ? " (" + signalName(WTERMSIG(status)) + ")" : std::string());
    } else if (error.empty() && report.replayed < report.calls) {
        // The call the child had reached; its answers since the last block
        // were lost with it.
        int64_t reached = std::max<int64_t>(counter.get(), report.replayed + 1);
        const SessionCall& at =
            session.calls[static_cast<size_t>(std::min<int64_t>(reached, report.calls) - 1)];
        std::string how = child < 0 ? std::string("não foi possível criar o processo")
                          : WIFSIGNALED(status)
                              ? "parou com " + signalName(WTERMSIG(status))
                              : "terminou (saída " + std::to_string(WEXITSTATUS(status)) + ")";
        error = "a biblioteca " + how + " na chamada " + std::to_string(at.number) + ", " +
                callText(at);
    }
    if (error.empty())
        comparePrinted(session, memory, paperAfter, ignored, &report);
    if (options.keep.empty())
        removeTree(folder);
    else
        report.notes.push_back("memória reconstruída mantida em " + folder);
    if (!error.empty())
        return failure(report, error);
    // In the order of the calls; what is left over at the end, last.
    auto order = [](const Difference& d) { return d.call > 0 ? d.call : INT64_MAX; };
    std::stable_sort(report.differences.begin(), report.differences.end(),
                     [&](const Difference& a, const Difference& b) { return order(a) < order(b); });
    report.exitCode = report.differences.empty() ? 0 : 1;
    return report;
}

std::string reportText(const ReplayReport& r) {
    std::string out;
    if (r.exitCode == 2)
        return "ecfsim: " + r.error + "\n";
    for (const Difference& d : r.differences)
        out += differenceText(d) + "\n";
    for (const std::string& note : r.notes)
        out += "Nota: " + note + ".\n";
    if (r.differences.empty()) {
        out += "Nenhuma diferença: " + std::to_string(r.replayed) +
               " chamada(s) reproduzida(s) com as respostas gravadas (" + r.library + ").\n";
        return out;
    }
    out += "Resumo: " + std::to_string(r.differences.size()) + " diferença(s) em " +
           std::to_string(r.replayed) + " chamada(s) reproduzida(s) (" + r.library + "):\n";
    for (const DifferenceGroup& g : summarize(r.differences))
        out += "  " + (g.function.empty() ? std::string("(fim)") : g.function) + ", " + g.field +
               ": " + std::to_string(g.count) + "\n";
    return out;
}

std::string reportJson(const ReplayReport& r) {
    Json j = {
        {"exit", r.exitCode}, {"library", r.library}, {"calls", r.calls}, {"replayed", r.replayed}};
    if (r.exitCode == 2)
        j["error"] = r.error;
    Json list = Json::array();
    for (const Difference& d : r.differences)
        list.push_back(differenceJson(d));
    j["differences"] = std::move(list);
    Json groups = Json::array();
    for (const DifferenceGroup& g : summarize(r.differences))
        groups.push_back({{"function", g.function}, {"field", g.field}, {"count", g.count}});
    j["summary"] = std::move(groups);
    j["notes"] = r.notes;
    return j.dump(2) + "\n";
}

}  // namespace ecfsim
