// Random call sequences over the whole C interface of the driver library:
// texts null, empty, huge or any bytes, any integers. Beyond not crashing,
// every status reply is a failure reply or keeps its function's one length,
// the grand total never decreases, and the memory passes its own checks.
//
// The memory lives in a folder of its own (ECFSIM_DB) with the clock pinned;
// it is kept from one input to the next, so sequences build on each other,
// and started afresh every few thousand inputs.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <string>

#include "core/device.h"
#include "fiscport.h"

namespace {

std::string gDir;
int gMemory = 0;
long gInputs = 0;
long long gGrandTotal = -1;
std::map<int, size_t> gLengths;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "driver_calls_fuzz: %s\n", what.c_str());
    std::abort();
}

std::string memoryPath(int n) {
    return gDir + "/memoria" + std::to_string(n) + ".db";
}

// A fresh memory: the library moves to the other file, deleted first.
void freshMemory() {
    gMemory ^= 1;
    std::error_code ec;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        std::filesystem::remove(memoryPath(gMemory) + suffix, ec);
    setenv("ECFSIM_DB", memoryPath(gMemory).c_str(), 1);
    gGrandTotal = -1;
    ChangePort(0);
}

void cleanUp() {
    std::error_code ec;
    if (!gDir.empty())
        std::filesystem::remove_all(gDir, ec);
}

class Args {
public:
    explicit Args(FuzzedDataProvider& in) : in_(in) {}

    const char* text() {
        switch (in_.ConsumeIntegralInRange<int>(0, 7)) {
            case 0:
                return nullptr;
            case 1:
                return keep("");
            case 2:
                return keep(
                    std::string(in_.ConsumeIntegralInRange<size_t>(1, 70000),
                                static_cast<char>(in_.ConsumeIntegralInRange<int>(1, 255))));
            case 3:
            case 4: {
                // Digits, which get past the format checks to the state machine.
                std::string digits;
                size_t n = in_.ConsumeIntegralInRange<size_t>(1, 12);
                for (size_t i = 0; i < n; ++i)
                    digits += static_cast<char>('0' + in_.ConsumeIntegralInRange<int>(0, 9));
                return keep(digits);
            }
            default:
                return keep(in_.ConsumeRandomLengthString(90));
        }
    }
    int32_t number() {
        if (in_.ConsumeBool())
            return in_.ConsumeIntegral<int32_t>();
        return in_.ConsumeIntegralInRange<int32_t>(-2, 40);
    }

private:
    const char* keep(std::string s) {
        texts_.push_back(std::move(s));
        return texts_.back().c_str();
    }
    FuzzedDataProvider& in_;
    std::deque<std::string> texts_;
};

void checkReply(int function, const char* reply) {
    if (!reply)
        fail("null reply from status function " + std::to_string(function));
    std::string r = reply;
    if (r.rfind("Erro: ", 0) == 0) {
        if (r.size() < 10 || !isdigit(static_cast<unsigned char>(r[6])) ||
            !isdigit(static_cast<unsigned char>(r[7])) ||
            !isdigit(static_cast<unsigned char>(r[8])) || r[9] != ' ')
            fail("malformed failure reply: " + r);
        return;
    }
    auto [it, added] = gLengths.emplace(function, r.size());
    if (!added && it->second != r.size())
        fail("status function " + std::to_string(function) + " answered " +
             std::to_string(r.size()) + " characters after " + std::to_string(it->second) + ": " +
             r);
}

void checkGrandTotal() {
    int32_t one = 1;
    const char* reply = ecfStatusCupom(&one);
    std::string r = reply ? reply : "";
    if (r.rfind("Erro", 0) == 0 || r.size() < 67)
        return;  // power off, the other port, the memory unavailable
    long long gt = 0;
    bool any = false;
    for (char c : r.substr(46, 21)) {
        if (isdigit(static_cast<unsigned char>(c))) {
            gt = gt * 10 + (c - '0');
            any = true;
        }
    }
    if (!any)
        return;
    if (gt < gGrandTotal)
        fail("grand total went down from " + std::to_string(gGrandTotal) + " to " +
             std::to_string(gt));
    gGrandTotal = gt;
}

void checkMemory() {
    std::string error;
    int code = 0;
    auto device = fiscemu::Device::open(memoryPath(gMemory), &error, &code);
    if (!device) {
        // Calls alone must never damage the memory.
        if (code == 41)
            fail("memory damaged: " + error);
        return;
    }
    // SQLite's quick check, the totals' consistency, the fiscal memory's chain.
    std::vector<std::string> problems = device->verify();
    if (!problems.empty())
        fail("memory fails its checks: " + problems.front());
}

void callOne(int function, Args& a) {
    switch (function) {
        case 0:
            ChangePort(a.number());
            break;
        case 1:
            ecfLineFeed(a.number(), a.number());
            break;
        case 2:
            checkReply(function, ecfStatusImp());
            break;
        case 3: {
            int32_t kind = a.number();
            checkReply(function, ecfStatusCupom(kind % 3 == 0 ? nullptr : &kind));
            break;
        }
        case 4:
            checkReply(function, ecfStatusAliquotas(a.number()));
            break;
        case 5:
            checkReply(function, ecfStatusPayTypes(a.number()));
            break;
        case 6:
            checkReply(function, ecfStatusDocsNFs(a.number()));
            break;
        case 7:
            checkReply(function, ecfStatusEquipo());
            break;
        case 8:
            checkReply(function, ecfStatusUser(a.number()));
            break;
        case 9:
            checkReply(function, ecfStatusTroco());
            break;
        case 10:
            checkReply(function, ecfStatusVincs(a.number()));
            break;
        case 11:
            checkReply(function, ecfLeituraXSerial());
            break;
        case 12:
            checkReply(function, ecfCGC_IE());
            break;
        case 13:
            ecfImpCab(a.number());
            break;
        case 14:
            ecfInicCupomNFiscal(a.number());
            break;
        case 15:
            ecfInicCNFVinculado(a.text(), a.text(), a.text());
            break;
        case 16:
            ecfFimTrans(a.text());
            break;
        case 17:
            ecfCancVenda(a.text());
            break;
        case 18:
            ecfCancDoc(a.text());
            break;
        case 19:
            ecfImpLinha(a.text());
            break;
        case 20:
            ecfLeituraX(a.text());
            break;
        case 21:
            ecfReducaoZ(a.text());
            break;
        case 22:
            ecfLXGerencial(a.text());
            break;
        case 23:
            ecfRZGerencial(a.text());
            break;
        case 24: {
            int32_t mode = a.number();
            const char* from = a.text();
            const char* to = a.text();
            int32_t first = a.number(), last = a.number();
            ecfLeitMemFisc(mode, from, to, first, last, a.text());
            break;
        }
        case 25: {
            const char *code = a.text(), *description = a.text(), *qi = a.text(), *qd = a.text(),
                       *price = a.text();
            ecfVenda_Item(code, description, qi, qd, price, a.number());
            break;
        }
        case 26: {
            const char *line = a.text(), *total = a.text();
            ecfVendaItem78(line, total, a.number());
            break;
        }
        case 27: {
            const char *description = a.text(), *value = a.text();
            ecfVendaItem(description, value, a.number());
            break;
        }
        case 28: {
            int32_t op = a.number();
            const char* description = a.text();
            ecfDescItem(op, description, a.text());
            break;
        }
        case 29:
            ecfCancItem(a.text());
            break;
        case 30: {
            const char* position = a.text();
            ecfCancItemDef(position, a.text());
            break;
        }
        case 31:
            ecfSubTotal();
            break;
        case 32: {
            int32_t kind = a.number(), cancel = a.number();
            const char* description = a.text();
            ecfCancAcresDescSubTotal(kind, cancel, description, a.text());
            break;
        }
        case 33: {
            int32_t cancel = a.number();
            const char *position = a.text(), *amount = a.text();
            ecfPagamento(cancel, position, amount, a.number());
            break;
        }
        case 34:
        case 35: {
            int32_t cancel = a.number();
            const char *type = a.text(), *amount = a.text();
            int32_t omit = a.number(), lines = a.number();
            if (function == 34)
                ecfPagCancPag(cancel, type, amount, omit, lines);
            else
                ecfPrazoCancPrazo(cancel, type, amount, omit, lines);
            break;
        }
        case 36:
        case 37: {
            int32_t bank = a.number();
            const char *value = a.text(), *payee = a.text(), *city = a.text(), *date = a.text(),
                       *extra = a.text();
            if (function == 36)
                ecfImpCheque(bank, value, payee, city, date, extra);
            else
                ecfImpChequeMarvik(bank, value, payee, city, date, extra);
            break;
        }
        case 38: {
            int32_t bank = a.number();
            const char *value = a.text(), *payee = a.text(), *city = a.text(), *date = a.text(),
                       *extra = a.text(), *one = a.text();
            ecfChequeKolvex300(bank, value, payee, city, date, extra, one, a.text());
            break;
        }
        case 39:
            ecfAutentica(a.text());
            break;
        case 40:
            ecfAbreGaveta();
            break;
        case 41: {
            int32_t d = a.number(), m = a.number(), y = a.number(), h = a.number(), mi = a.number();
            ecfAcertaData(d, m, y, h, mi, a.number());
            break;
        }
        case 42: {
            const char *l1 = a.text(), *l2 = a.text(), *l3 = a.text();
            int32_t store = a.number(), equipment = a.number();
            const char* cgc = a.text();
            ecfCabLoja(l1, l2, l3, store, equipment, cgc, a.text());
            break;
        }
        case 43: {
            const char *l1 = a.text(), *l2 = a.text(), *l3 = a.text();
            int32_t store = a.number(), equipment = a.number();
            const char *cgc = a.text(), *ie = a.text();
            ecfProgHeader30(l1, l2, l3, store, equipment, cgc, ie, a.text());
            break;
        }
        case 44: {
            int32_t position = a.number();
            ecfCargaTabAliq(position, a.text());
            break;
        }
        case 45: {
            const char *position = a.text(), *type = a.text();
            ecfCargaAliqSelect(position, type, a.text());
            break;
        }
        case 46:
            ecfPrgCod(a.number());
            break;
        case 47:
            ecfCargaCodCripto(a.text());
            break;
        case 48: {
            const char* position = a.text();
            ecfPayPatterns(position, a.text());
            break;
        }
        default: {
            const char *position = a.text(), *description = a.text(), *discount = a.text(),
                       *surcharge = a.text(), *cancel = a.text(), *payment = a.text(),
                       *linked = a.text();
            ecfProgNFComprov(position, description, discount, surcharge, cancel, payment, linked,
                             a.text());
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char tmpl[] = "/tmp/fuzz-driver.XXXXXX";
    if (!mkdtemp(tmpl))
        fail("mkdtemp");
    gDir = tmpl;
    if (chdir(gDir.c_str()) != 0)
        fail("chdir");
    setenv("ECFSIM_TIME", "2026-03-10 12:00:00", 1);
    std::atexit(cleanUp);
    freshMemory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (++gInputs % 4000 == 0)
        freshMemory();
    FuzzedDataProvider in(data, size);
    Args args(in);
    for (int calls = 0; calls < 64 && in.remaining_bytes() > 0; ++calls) {
        callOne(in.ConsumeIntegralInRange<int>(0, 49), args);
        checkGrandTotal();
    }
    if (gInputs % 64 == 0)
        checkMemory();
    return 0;
}
