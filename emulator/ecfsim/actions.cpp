#include "ecfsim/actions.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "core/chain.h"
#include "core/clock.h"
#include "core/codes.h"
#include "core/pathcheck.h"
#include "core/printer.h"

namespace ecfsim {

namespace {

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// Anything at all under that name, a link to nothing included.
bool nameTaken(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// "uma pasta", "um FIFO (pipe nomeado)", ... for what a path is.
std::string kindWords(fiscemu::PathKind kind) {
    using fiscemu::PathKind;
    switch (kind) {
        case PathKind::Directory:
            return "uma pasta";
        case PathKind::Fifo:
            return "um FIFO (pipe nomeado)";
        case PathKind::Device:
            return "um dispositivo";
        case PathKind::Socket:
            return "um socket";
        default:
            return "um arquivo comum";
    }
}

std::string linkText(const std::string& path) {
    char buf[PATH_MAX];
    ssize_t n = readlink(path.c_str(), buf, sizeof buf);
    return n < 0 ? "?" : std::string(buf, static_cast<size_t>(n));
}

const char* const kPointElsewhere =
    "aponte --db ou ECFSIM_DB para o arquivo da memória (um arquivo comum)";

// What keeps `path` from being used as a memory at all, in Portuguese with
// the code the library answers there and what to do; empty when it is a
// regular file (or a link to one) or nothing, with SQLite's companion files
// regular or absent. A lost memory (no file, its -wal left) is lostMemory's.
std::string pathProblem(const std::string& path) {
    using fiscemu::PathKind;
    const std::string head = "não foi possível abrir a memória " + path + ": ";
    fiscemu::PathInfo info = fiscemu::inspectPath(path);
    switch (info.kind) {
        case PathKind::Missing:
        case PathKind::Regular:
        case PathKind::LinkToRegular:
            break;
        case PathKind::Directory:
        case PathKind::Fifo:
        case PathKind::Device:
        case PathKind::Socket:
            return head + "não é um arquivo de memória, é " + kindWords(info.kind) +
                   " (código 41).\n  A biblioteca responde 41 a toda chamada com esse caminho e "
                   "não abre, não grava nem substitui o que está lá.\n  O que fazer: " +
                   kPointElsewhere +
                   (info.kind == PathKind::Directory ? ", por exemplo " + path + "/ecfsim.db."
                                                     : ".");
        case PathKind::LinkToOther:
            return head + "é um link simbólico para " + kindWords(info.target) + " (" +
                   linkText(path) +
                   "), não para um arquivo de memória (código 41).\n  A biblioteca responde 41 "
                   "a toda chamada com esse caminho e não segue o link.\n  O que fazer: " +
                   kPointElsewhere + ".";
        case PathKind::DanglingLink:
            return head + "é um link simbólico para " + linkText(path) +
                   ", que não existe (código 40).\n  A biblioteca não cria uma memória através "
                   "de um link.\n  O que fazer: corrija o link, ou " +
                   kPointElsewhere + ".";
        case PathKind::LinkLoop:
            return head +
                   "laço de links simbólicos (código 40): um link do caminho leva, direta ou "
                   "indiretamente, a si mesmo, e o arquivo nunca é alcançado.\n  O que fazer: "
                   "corrija ou apague o link, ou " +
                   kPointElsewhere + ".";
        case PathKind::TooLong:
            return head + "caminho longo demais (" + std::to_string(path.size()) +
                   " bytes; o sistema aceita nomes de até " + std::to_string(NAME_MAX) +
                   " bytes e caminhos de até " + std::to_string(PATH_MAX - 1) +
                   ") (código 40).\n  O que fazer: use um caminho mais curto em --db ou "
                   "ECFSIM_DB.";
        case PathKind::Unreachable:
            if (info.error == EACCES)
                return head +
                       "sem permissão para chegar ao arquivo (código 40).\n  O que fazer: "
                       "verifique as permissões das pastas do caminho.";
            if (info.error == ENOTDIR)
                return head +
                       "uma parte do caminho não é uma pasta (código 40).\n  O que fazer: "
                       "verifique o caminho em --db ou ECFSIM_DB.";
            return head + "o caminho não pode ser lido (código 40): " + std::strerror(info.error) +
                   ".\n  O que fazer: verifique o caminho.";
    }
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        std::string companion = path + suffix;
        if (info.kind == PathKind::LinkToRegular) {
            char* real = realpath(path.c_str(), nullptr);
            if (real)
                companion = std::string(real) + suffix;
            std::free(real);
        }
        fiscemu::PathInfo c = fiscemu::inspectPath(companion);
        if (c.kind == PathKind::Missing || c.kind == PathKind::Regular)
            continue;
        std::string what = c.kind == PathKind::LinkToOther || c.kind == PathKind::LinkToRegular ||
                                   c.kind == PathKind::DanglingLink || c.kind == PathKind::LinkLoop
                               ? "um link simbólico"
                               : kindWords(c.kind);
        return head + companion + " deveria ser um arquivo do SQLite, mas é " + what +
               " (código 41).\n  A biblioteca responde 41 a toda chamada e não usa a memória "
               "ao lado dele.\n  O que fazer: remova ou renomeie " +
               companion + " (o SQLite cria o seu).";
    }
    return "";
}

// A memory whose file is gone while its -wal (its newest writes) is left.
std::string lostMemory(const std::string& path) {
    if (nameTaken(path) || !nameTaken(path + "-wal"))
        return "";
    return "memória perdida: " + path + " não existe, mas " + path +
           "-wal (as gravações mais recentes dela) ficou (código 41).\n  A biblioteca responde 41 "
           "a toda chamada e não cria uma memória nova ali: ela tomaria para si esse -wal.\n  "
           "O que fazer: se o arquivo foi movido ou renomeado, traga-o de volta para " +
           path +
           "; senão restaure uma cópia de segurança dele; ou 'ecfsim reset --yes' guarda o -wal "
           "numa cópia ao lado e começa do estado de fábrica.";
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

Result refused(fiscemu::Device& dev) {
    Result r;
    r.ok = false;
    r.error = "a memória recusou a gravação: " + dev.lastError();
    return r;
}

}  // namespace

std::optional<int64_t> parseNumber(const std::string& text, int64_t min, int64_t max) {
    // Digits alone: an unsigned reading takes no sign and no blank.
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    uint32_t digits = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, digits);
    const int64_t v = digits;
    if (error != std::errc() || stop != end || v < min || v > max)
        return std::nullopt;
    return v;
}

std::unique_ptr<fiscemu::Device> openMemory(const std::string& path, bool create,
                                            std::string* error, std::string* notice) {
    for (const std::string& problem : {pathProblem(path), lostMemory(path)}) {
        if (!problem.empty()) {
            *error = problem;
            return nullptr;
        }
    }
    bool existed = fileExists(path);
    if (!existed && !create) {
        *error = "memória não encontrada: " + path +
                 " (rode o programa uma vez, use --db ARQUIVO ou defina ECFSIM_DB)";
        return nullptr;
    }
    std::string why;
    int code = fiscemu::kStorage;
    auto dev = fiscemu::Device::open(path, &why, &code);
    if (!dev) {
        *error = diagnosis(path, code, why);
        return nullptr;
    }
    if (!existed && notice)
        *notice = "memória nova criada em " + path + " (estado de fábrica)";
    return dev;
}

// ---------------------------------------------------------------- set

const std::vector<std::string>& settingKeys() {
    static const std::vector<std::string> kKeys = {
        "power", "paper", "auth-paper",   "drawer", "drawer-auto-close",
        "port",  "model", "intervention", "latency"};
    return kKeys;
}

namespace {

// A setting's value, its word in `set` and in the change's description.
struct SettingWords {
    int value;
    const char* word;
    const char* description;
};
constexpr SettingWords kPaperLevels[] = {{fiscemu::kPaperOk, "ok", "normal"},
                                         {fiscemu::kPaperLowLevel, "low", "pouco papel"},
                                         {fiscemu::kPaperOutLevel, "out", "sem papel"}};
constexpr SettingWords kDrawers[] = {{fiscemu::kDrawerOpen, "open", "aberta"},
                                     {fiscemu::kDrawerClosed, "closed", "fechada"},
                                     {fiscemu::kDrawerAbsent, "absent", "ausente"}};

UsageError badValue(const std::string& key, const std::string& value, const std::string& allowed) {
    return UsageError{"valor inválido para " + key + ": '" + value + "' (use " + allowed + ")",
                      "set"};
}

}  // namespace

Change powerChange(bool on) {
    return {"power", on ? "on" : "off", std::string("energia: ") + (on ? "ligada" : "desligada"),
            [on](fiscemu::Settings& s) { s.power = on; }};
}

Change paperChange(int level) {
    for (const SettingWords& p : kPaperLevels)
        if (p.value == level)
            return {"paper", p.word, std::string("papel: ") + p.description,
                    [level](fiscemu::Settings& s) { s.paper = level; }};
    throw badValue("paper", std::to_string(level), "ok, low ou out");
}

Change authPaperChange(bool present) {
    return {"auth-paper", present ? "present" : "absent",
            std::string("documento na autenticação: ") + (present ? "presente" : "ausente"),
            [present](fiscemu::Settings& s) { s.authPaper = present; }};
}

Change drawerChange(int drawer) {
    for (const SettingWords& d : kDrawers)
        if (d.value == drawer)
            return {"drawer", d.word, std::string("gaveta: ") + d.description,
                    [drawer](fiscemu::Settings& s) {
                        s.drawer = drawer;
                        // An opened drawer closes by itself, counted from now.
                        if (drawer == fiscemu::kDrawerOpen)
                            s.drawerOpenedAt = fiscemu::wallNow();
                    }};
    throw badValue("drawer", std::to_string(drawer), "open, closed ou absent");
}

Change drawerAutoCloseChange(int64_t seconds) {
    if (seconds < 0 || seconds > kMaxDrawerAutoCloseSeconds)
        throw badValue("drawer-auto-close", std::to_string(seconds), "segundos de 0 a 86400");
    return {"drawer-auto-close", std::to_string(seconds),
            "gaveta fecha sozinha: " +
                (seconds ? "depois de " + std::to_string(seconds) + " s" : std::string("nunca")),
            [seconds](fiscemu::Settings& s) { s.drawerAutoClose = seconds; }};
}

Change portChange(int port) {
    if (port != 0 && port != 1)
        throw badValue("port", std::to_string(port), "COM1 ou COM2");
    const char* name = port ? "COM2" : "COM1";
    return {"port", name, std::string("impressora na porta: ") + name,
            [port](fiscemu::Settings& s) { s.port = port; }};
}

Change modelChange(fiscemu::Model model) {
    const std::string name = fiscemu::modelName(model);
    return {"model", name, "modelo: " + name, [model](fiscemu::Settings& s) { s.model = model; }};
}

Change interventionChange(bool on) {
    return {"intervention", on ? "on" : "off",
            std::string("intervenção técnica: ") + (on ? "sim" : "não"),
            [on](fiscemu::Settings& s) { s.intervention = on; }};
}

Change latencyChange(int64_t ms) {
    if (ms < 0 || ms > kMaxLatencyMs)
        throw badValue("latency", std::to_string(ms), "milissegundos de 0 a 60000");
    return {"latency", std::to_string(ms), "latência: " + std::to_string(ms) + " ms",
            [ms](fiscemu::Settings& s) { s.latencyMs = ms; }};
}

Change parseChange(const std::string& key, const std::string& value) {
    auto bad = [&](const std::string& allowed) { return badValue(key, value, allowed); };
    // The switches take one of two words, the first meaning yes; any other
    // word is refused with the two it may be.
    auto twoWords = [&](const char* yes, const char* no) {
        if (value != yes && value != no)
            throw bad(std::string(yes) + " ou " + no);
        return value == yes;
    };
    // The change as typed: its value is the word the user wrote.
    auto typed = [&](Change change) {
        change.value = value;
        return change;
    };
    if (key == "power")
        return typed(powerChange(twoWords("on", "off")));
    if (key == "paper") {
        for (const SettingWords& p : kPaperLevels)
            if (value == p.word)
                return typed(paperChange(p.value));
        throw bad("ok, low ou out");
    }
    if (key == "auth-paper")
        return typed(authPaperChange(twoWords("present", "absent")));
    if (key == "drawer") {
        for (const SettingWords& d : kDrawers)
            if (value == d.word)
                return typed(drawerChange(d.value));
        throw bad("open, closed ou absent");
    }
    if (key == "drawer-auto-close") {
        auto n = parseNumber(value, 0, kMaxDrawerAutoCloseSeconds);
        if (!n)
            throw bad("segundos de 0 a 86400");
        return typed(drawerAutoCloseChange(*n));
    }
    if (key == "port") {
        if (value != "COM1" && value != "COM2" && value != "com1" && value != "com2")
            throw bad("COM1 ou COM2");
        return typed(portChange((value == "COM2" || value == "com2") ? 1 : 0));
    }
    if (key == "model") {
        std::optional<fiscemu::Model> model = fiscemu::parseModel(value);
        if (!model || value != fiscemu::modelName(*model))
            throw bad("2.04, 3.00 ou 3.01");
        return typed(modelChange(*model));
    }
    if (key == "intervention")
        return typed(interventionChange(twoWords("on", "off")));
    if (key == "latency") {
        auto n = parseNumber(value, 0, kMaxLatencyMs);
        if (!n)
            throw bad("milissegundos de 0 a 60000");
        return typed(latencyChange(*n));
    }
    throw UsageError{"ajuste desconhecido: " + key, "set"};
}

std::vector<Change> parseChanges(const std::vector<std::string>& keyValues) {
    if (keyValues.empty())
        throw UsageError{"diga o que mudar, por exemplo: ecfsim set paper low", "set"};
    std::vector<Change> changes;
    std::set<std::string> seen;
    for (size_t i = 0; i < keyValues.size(); i += 2) {
        const std::string& key = keyValues[i];
        if (i + 1 >= keyValues.size())
            throw UsageError{"falta o valor de " + key, "set"};
        if (!seen.insert(key).second)
            throw UsageError{"ajuste repetido: " + key, "set"};
        changes.push_back(parseChange(key, keyValues[i + 1]));
    }
    return changes;
}

Result applyChanges(fiscemu::Device& dev, const std::vector<Change>& changes) {
    bool wasInIntervention = dev.settings().intervention;
    bool ok = dev.updateSettings([&](fiscemu::Settings& s) {
        for (const Change& c : changes)
            c.apply(s);
    });
    if (!ok)
        return refused(dev);
    Result r;
    for (const Change& c : changes)
        r.lines.push_back(c.description);
    if (wasInIntervention && !dev.settings().intervention)
        r.lines.push_back("fim da intervenção técnica: CRO agora " +
                          std::to_string(dev.state().s.cro));
    return r;
}

// ---------------------------------------------------------------- fail

void checkFunction(const std::string& name) {
    if (name == "ChangePort")
        throw UsageError{
            "ChangePort é atendida pela própria biblioteca, sem a impressora; "
            "não há falha a simular",
            "fail"};
    if (fiscemu::isDriverFunction(name))
        return;
    for (const std::string& fn : fiscemu::driverFunctionNames())
        if (lower(fn) == lower(name))
            throw UsageError{"função desconhecida: " + name + " (quis dizer " + fn + "?)", "fail"};
    std::vector<std::string> near = nearNames(name, faultableFunctions());
    std::string hint;
    for (size_t i = 0; i < near.size(); ++i)
        hint += (i == 0 ? "" : i + 1 == near.size() ? " ou " : ", ") + near[i];
    throw UsageError{
        "função desconhecida: " + name + (hint.empty() ? "" : " (quis dizer " + hint + "?)"),
        "fail"};
}

namespace {

size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::vector<std::string> nearNames(const std::string& name, const std::vector<std::string>& names) {
    // Near: a few letters typed wrong, missing or extra (one per five letters
    // typed, at least one, at most three; case aside), or the beginning or
    // the end of a name, from five letters on. The closest first, at most four.
    const std::string typed = lower(name);
    const size_t allowed = std::min<size_t>(3, std::max<size_t>(1, typed.size() / 5));
    std::vector<std::pair<size_t, std::string>> found;
    for (const std::string& fn : names) {
        const std::string candidate = lower(fn);
        size_t d = editDistance(typed, candidate);
        bool part = typed.size() >= 5 && candidate.size() > typed.size() &&
                    (candidate.compare(0, typed.size(), typed) == 0 ||
                     candidate.compare(candidate.size() - typed.size(), typed.size(), typed) == 0);
        if (d <= allowed || part)
            found.emplace_back(d, fn);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<std::string> out;
    for (size_t i = 0; i < found.size() && i < 4; ++i)
        out.push_back(found[i].second);
    return out;
}

std::vector<std::string> faultableFunctions() {
    std::vector<std::string> out;
    for (const std::string& fn : fiscemu::driverFunctionNames())
        if (fn != "ChangePort")
            out.push_back(fn);
    return out;
}

Result setFault(fiscemu::Device& dev, const std::string& function, int64_t code) {
    checkFunction(function);
    if (code < 1 || code > 999)
        throw UsageError{"código inválido: '" + std::to_string(code) + "' (1 a 999)", "fail"};
    if (!dev.setFault(function, static_cast<int>(code)))
        return refused(dev);
    Result r;
    r.lines.push_back("a próxima chamada de " + function + " responde " + std::to_string(code));
    return r;
}

Result clearFault(fiscemu::Device& dev, const std::string& function) {
    if (!function.empty())
        checkFunction(function);
    Result r;
    if (!function.empty() && !dev.faults().count(function)) {
        r.lines.push_back(function + " não tinha falha pendente");
        return r;
    }
    if (!dev.clearFaults(function))
        return refused(dev);
    r.lines.push_back(function.empty() ? "nenhuma falha pendente"
                                       : "falha de " + function + " desfeita");
    return r;
}

// ---------------------------------------------------------------- clock and reset

Result nextDay(fiscemu::Device& dev) {
    if (!dev.nextDay())
        return refused(dev);
    fiscemu::DateTime dt = fiscemu::localFromEpoch(dev.now());
    int state = dev.stateCode();
    Result r;
    r.lines.push_back("relógio da impressora: " + fiscemu::formatDateLong(dt) + " " +
                      fiscemu::formatTimeColons(dt));
    r.lines.push_back("estado: " + fiscemu::zeroPad(state, 3) + " " + fiscemu::stateWords(state));
    return r;
}

Result resetToFactory(fiscemu::Device& dev) {
    if (!dev.resetToFactory())
        return refused(dev);
    Result r;
    r.lines.push_back("memória no estado de fábrica: " + dev.store().path());
    return r;
}

// ---------------------------------------------------------------- the memory's health

std::string diagnosis(const std::string& path, int code, const std::string& why) {
    std::string n = std::to_string(code);
    switch (code) {
        case fiscemu::kDamaged:
            return "não foi possível abrir a memória " + path +
                   ": memória danificada (código 41): " + why +
                   "\n  A biblioteca responde 41 a toda chamada e não usa nem regrava esse "
                   "arquivo.\n  O que fazer: 'ecfsim verify' mostra o problema; restaure uma "
                   "cópia de segurança do arquivo, ou 'ecfsim reset --yes' guarda uma cópia dele "
                   "ao lado e começa do estado de fábrica.";
        case fiscemu::kBusy:
            return "não foi possível abrir a memória " + path +
                   ": memória ocupada (código 42): outro processo segura a gravação de " + path +
                   " há mais de 2 s (" + why +
                   ").\n  O que fazer: tente de novo; se persistir, "
                   "veja qual processo usa o arquivo.";
        case fiscemu::kDiskFull:
            return "não foi possível abrir a memória " + path +
                   ": disco cheio ou limite de tamanho de arquivo (código 43) ao gravar " + path +
                   ": " + why + "\n  O que fazer: libere espaço ou aumente o limite (ulimit -f).";
        default:
            return "não foi possível abrir a memória " + path + " (código " + n + "): " + why +
                   "\n  O que fazer: verifique se o arquivo e a pasta existem e podem ser lidos "
                   "e gravados.";
    }
}

Result verifyMemory(const std::string& path) {
    Result r;
    for (const std::string& problem : {pathProblem(path), lostMemory(path)}) {
        if (!problem.empty()) {
            r.ok = false;
            r.error = problem;
            return r;
        }
    }
    if (!fileExists(path)) {
        r.ok = false;
        r.error = "memória não encontrada: " + path;
        return r;
    }
    std::string why;
    int code = fiscemu::kStorage;
    auto dev = fiscemu::Device::open(path, &why, &code);
    if (!dev) {
        r.ok = false;
        r.error = diagnosis(path, code, why);
        return r;
    }
    std::vector<std::string> problems = dev->verify();
    if (!problems.empty()) {
        r.ok = false;
        r.error = "memória danificada em " + path + ":";
        for (const std::string& p : problems)
            r.error += "\n  " + p;
        return r;
    }
    std::vector<fiscemu::FiscalRecord> records = dev->store().fiscalMemory();
    r.lines.push_back("memória íntegra: " + path);
    r.lines.push_back("  verificação do SQLite, consistência dos totais e cadeia de hashes: ok");
    r.lines.push_back(
        "  " + std::to_string(records.size()) + " registro(s) na memória fiscal" +
        (records.empty() ? "" : ", último hash " + fiscemu::toHex(records.back().hash)));
    return r;
}

namespace {

std::string backupName(const std::string& path) {
    fiscemu::DateTime t = fiscemu::localFromEpoch(fiscemu::wallNow());
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, ".bak-%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    std::string name = path + stamp;
    for (int i = 2; nameTaken(name) || nameTaken(name + "-wal") || nameTaken(name + "-journal");
         ++i)
        name = path + stamp + "-" + std::to_string(i);
    return name;
}

}  // namespace

Result resetMemory(const std::string& path) {
    Result r;
    auto refuse = [&](const std::string& e) {
        r.ok = false;
        r.error = e;
        return r;
    };
    // Nothing is copied, removed or created unless the memory's name and its
    // companions are regular files or absent: reset never replaces a device
    // node, a FIFO or a folder, and never follows a link (it would remove
    // the link and leave a new memory in its place).
    std::string problem = pathProblem(path);
    if (problem.empty() && fiscemu::inspectPath(path).kind == fiscemu::PathKind::LinkToRegular)
        problem = "não foi possível reiniciar a memória " + path + ": é um link simbólico (para " +
                  linkText(path) +
                  "); reset não segue links, pois trocaria o link por uma memória nova.\n  O que "
                  "fazer: rode o reset com --db apontando para o próprio arquivo da memória.";
    for (const std::string& trace : {path + "-trace", path + "-trace.old"}) {
        if (problem.empty() && !fiscemu::regularOrMissing(trace))
            problem = "não foi possível reiniciar a memória " + path + ": " + trace +
                      " deveria ser o registro de chamadas, mas não é um arquivo comum.\n  O que "
                      "fazer: remova ou renomeie " +
                      trace + ".";
    }
    if (!problem.empty())
        return refuse(problem + "\n  Nada foi apagado.");
    if (!nameTaken(path) && !nameTaken(path + "-wal")) {
        std::string error;
        auto dev = openMemory(path, true, &error);
        if (!dev)
            return refuse(error);
        r.lines.push_back("memória no estado de fábrica: " + path);
        return r;
    }
    std::string backup = backupName(path);
    std::string why;
    int code = fiscemu::kStorage;
    auto dev = fiscemu::Device::open(path, &why, &code);
    if (dev) {
        if (!dev->store().backupTo(backup))
            return refuse("cópia da memória não gravada (" + dev->store().lastError() +
                          "); nada foi apagado");
        if (!dev->resetToFactory())
            return refused(*dev);
    } else if (code == fiscemu::kDamaged) {
        // Nobody uses a damaged memory: its files are kept as found, then replaced.
        if (!fiscemu::Store::copyDamaged(path, backup, &why))
            return refuse("cópia da memória não gravada (" + why + "); nada foi apagado");
        if (!fiscemu::Store::discardFiles(path, &why))
            return refuse(why);
        std::string error;
        auto fresh = openMemory(path, true, &error);
        if (!fresh)
            return refuse(error);
        fresh->store().traceLog().restart();
    } else {
        return refuse(diagnosis(path, code, why) + "\n  Nada foi apagado.");
    }
    r.lines.push_back("cópia da memória anterior: " + backup);
    r.lines.push_back("memória no estado de fábrica: " + path);
    return r;
}

}  // namespace ecfsim
