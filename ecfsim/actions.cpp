#include "actions.h"

#include <sys/stat.h>

#include <map>
#include <set>

#include "core/clock.h"
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
    auto dev = fiscemu::Device::open(path, &why);
    if (!dev) {
        *error = "não foi possível abrir a memória " + path + ": " + why;
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
    if (key == "power") {
        if (value != "on" && value != "off")
            throw bad("on ou off");
        bool on = value == "on";
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
        if (value != "present" && value != "absent")
            throw bad("present ou absent");
        bool present = value == "present";
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
        if (value != "on" && value != "off")
            throw bad("on ou off");
        bool on = value == "on";
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

}  // namespace ecfsim
