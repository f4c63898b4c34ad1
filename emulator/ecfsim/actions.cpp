#include "actions.h"

#include <sys/stat.h>

#include <map>
#include <set>

#include "core/chain.h"
#include "core/clock.h"
#include "core/codes.h"
#include "views.h"

namespace ecfsim {

namespace {

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
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
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v < min || v > max)
        return std::nullopt;
    return v;
}

std::unique_ptr<fiscemu::Device> openMemory(const std::string& path, bool create,
                                            std::string* error, std::string* notice) {
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

Change parseChange(const std::string& key, const std::string& value) {
    using fiscemu::Settings;
    auto bad = [&](const std::string& allowed) {
        return UsageError{"valor inválido para " + key + ": '" + value + "' (use " + allowed + ")",
                          "set"};
    };
    auto change = [&](std::string description, std::function<void(Settings&)> apply) {
        return Change{key, value, std::move(description), std::move(apply)};
    };
    // The switches take one of two words, the first meaning yes; any other
    // word is refused with the two it may be.
    auto twoWords = [&](const char* yes, const char* no) {
        if (value != yes && value != no)
            throw bad(std::string(yes) + " ou " + no);
        return value == yes;
    };
    if (key == "power") {
        bool on = twoWords("on", "off");
        return change(std::string("energia: ") + (on ? "ligada" : "desligada"),
                      [on](Settings& s) { s.power = on; });
    }
    if (key == "paper") {
        static const std::map<std::string, std::pair<int, const char*>> kLevels = {
            {"ok", {fiscemu::kPaperOk, "normal"}},
            {"low", {fiscemu::kPaperLowLevel, "pouco papel"}},
            {"out", {fiscemu::kPaperOutLevel, "sem papel"}}};
        auto it = kLevels.find(value);
        if (it == kLevels.end())
            throw bad("ok, low ou out");
        int level = it->second.first;
        return change(std::string("papel: ") + it->second.second,
                      [level](Settings& s) { s.paper = level; });
    }
    if (key == "auth-paper") {
        bool present = twoWords("present", "absent");
        return change(
            std::string("documento na autenticação: ") + (present ? "presente" : "ausente"),
            [present](Settings& s) { s.authPaper = present; });
    }
    if (key == "drawer") {
        if (value == "open")
            return change("gaveta: aberta", [](Settings& s) {
                s.drawer = fiscemu::kDrawerOpen;
                s.drawerOpenedAt = fiscemu::wallNow();
            });
        if (value == "closed")
            return change("gaveta: fechada",
                          [](Settings& s) { s.drawer = fiscemu::kDrawerClosed; });
        if (value == "absent")
            return change("gaveta: ausente",
                          [](Settings& s) { s.drawer = fiscemu::kDrawerAbsent; });
        throw bad("open, closed ou absent");
    }
    if (key == "drawer-auto-close") {
        auto n = parseNumber(value, 0, 86400);
        if (!n)
            throw bad("segundos de 0 a 86400");
        int64_t secs = *n;
        return change("gaveta fecha sozinha: " + (secs ? "depois de " + std::to_string(secs) + " s"
                                                       : std::string("nunca")),
                      [secs](Settings& s) { s.drawerAutoClose = secs; });
    }
    if (key == "port") {
        if (value != "COM1" && value != "COM2" && value != "com1" && value != "com2")
            throw bad("COM1 ou COM2");
        int port = (value == "COM2" || value == "com2") ? 1 : 0;
        return change(std::string("impressora na porta: ") + (port ? "COM2" : "COM1"),
                      [port](Settings& s) { s.port = port; });
    }
    if (key == "model") {
        if (value != "2.04" && value != "3.00" && value != "3.01")
            throw bad("2.04, 3.00 ou 3.01");
        fiscemu::Model m = *fiscemu::parseModel(value);
        return change("modelo: " + value, [m](Settings& s) { s.model = m; });
    }
    if (key == "intervention") {
        bool on = twoWords("on", "off");
        return change(std::string("intervenção técnica: ") + (on ? "sim" : "não"),
                      [on](Settings& s) { s.intervention = on; });
    }
    if (key == "latency") {
        auto n = parseNumber(value, 0, 60000);
        if (!n)
            throw bad("milissegundos de 0 a 60000");
        int64_t ms = *n;
        return change("latência: " + std::to_string(ms) + " ms",
                      [ms](Settings& s) { s.latencyMs = ms; });
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
    throw UsageError{"função desconhecida: " + name, "fail"};
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
    r.lines.push_back("estado: " + fiscemu::zeroPad(state, 3) + " " + stateWords(state));
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
    for (int i = 2; fileExists(name) || fileExists(name + "-wal"); ++i)
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
    if (!fileExists(path) && !fileExists(path + "-wal")) {
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
