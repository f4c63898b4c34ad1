// Drives the driver library from a process of its own, for the tests that
// stop and restart the program. Modes:
//   sell N        opens a coupon and sells N items, then exits
//   finish        pays the open coupon in cash and closes it
//   loop SEED     sells, pays, cancels, reads and reduces at random until
//                 killed; prints "B n FUNCTION" before and "E n rc" after
//                 every call; ends with 4 once the day is closed by a Z
//   fill          prints free lines in a non-fiscal coupon until a call fails;
//                 prints "OK n" (lines printed), "RC code" and "S status reply"
//   probe         prints "S status reply", then "RC code" of a header
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "fiscport.h"

namespace {

long gCall = 0;

void say(const std::string& s) {
    std::string line = s + "\n";
    ssize_t rc = write(1, line.data(), line.size());
    (void)rc;
}

template <class F>
int32_t call(const char* function, F&& f) {
    long n = ++gCall;
    say("B " + std::to_string(n) + " " + function);
    int32_t rc = f();
    say("E " + std::to_string(n) + " " + std::to_string(rc));
    return rc;
}

int state() {
    long n = ++gCall;
    say("B " + std::to_string(n) + " ecfStatusImp");
    std::string r = ecfStatusImp();
    say("E " + std::to_string(n) + " 0");
    if (r.find("Erro") != std::string::npos || r.size() < 5)
        return -1;
    return std::atoi(r.substr(2, 3).c_str());
}

int loop(unsigned seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (;;) {
        int sc = state();
        if (sc == 65 || sc == 90 || sc == 122) {
            call("ecfCancVenda", [] { return ecfCancVenda("RECUPERA"); });
            continue;
        }
        if (sc == 123) {
            call("ecfPagamento", [] { return ecfPagamento(0, "00", "99999999", 0); });
            continue;
        }
        if (sc == 124) {
            call("ecfFimTrans", [] { return ecfFimTrans("RECUPERA"); });
            continue;
        }
        if (sc == 113) {
            call("ecfReducaoZ", [] { return ecfReducaoZ("RECUPERA"); });
            continue;
        }
        if (sc == 115)
            return 4;  // the day is closed; the next comes from outside
        if (sc != 0 && sc != 100)
            return 3;
        int what = pick(0, 9);
        if (what == 9 && pick(0, 2) == 0) {
            call("ecfReducaoZ", [] { return ecfReducaoZ("Operador"); });
            continue;
        }
        if (what == 0) {
            call("ecfLeituraX", [] { return ecfLeituraX("X"); });
            continue;
        }
        if (what == 1) {
            call("ecfImpCab", [] { return ecfImpCab(0); });
            call("ecfInicCupomNFiscal", [] { return ecfInicCupomNFiscal(1); });
            call("ecfVendaItem78", [&] {
                return ecfVendaItem78("Recebimento", std::to_string(pick(1, 5000)).c_str(), 2);
            });
            call("ecfFimTrans", [] { return ecfFimTrans("NF"); });
            continue;
        }
        call("ecfImpCab", [] { return ecfImpCab(32); });
        int items = pick(1, 6);
        for (int i = 0; i < items; ++i) {
            std::string qi = std::to_string(pick(0, 3)), qd = std::to_string(pick(1, 999));
            std::string price = std::to_string(pick(1, 100000));
            int tax = pick(0, 18);
            call("ecfVenda_Item", [&] {
                return ecfVenda_Item("789", "Produto", qi.c_str(), qd.c_str(), price.c_str(), tax);
            });
            if (pick(0, 5) == 0)
                call("ecfDescItem", [] { return ecfDescItem(0, "Desconto", "1"); });
            if (pick(0, 6) == 0)
                call("ecfCancItem", [] { return ecfCancItem("Cancela"); });
        }
        if (pick(0, 3) == 0)
            call("ecfCancAcresDescSubTotal",
                 [&] { return ecfCancAcresDescSubTotal(pick(0, 1), 0, "Ajuste", "5"); });
        if (pick(0, 7) == 0) {
            call("ecfCancVenda", [] { return ecfCancVenda("Desiste"); });
            continue;
        }
        const char* types[] = {"00", "01", "02", "03"};
        for (int p = 0; p < 3; ++p) {
            std::string amount = std::to_string(pick(1, 200000));
            call("ecfPagamento",
                 [&] { return ecfPagamento(0, types[pick(0, 3)], amount.c_str(), 0); });
        }
        call("ecfPagamento", [] { return ecfPagamento(0, "00", "99999999", 1); });
        call("ecfImpLinha", [] { return ecfImpLinha("Obrigado pela preferencia"); });
        call("ecfFimTrans", [] { return ecfFimTrans("Operador"); });
        if (pick(0, 4) == 0)
            call("ecfCancDoc", [] { return ecfCancDoc("Operador"); });
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    ChangePort(0);
    std::string mode = argv[1];
    if (mode == "sell" && argc > 2) {
        if (ecfImpCab(0) != 0)
            return 1;
        int n = std::atoi(argv[2]);
        for (int i = 0; i < n; ++i)
            if (ecfVenda_Item("123", "Produto", "1", "000", "150", 0) != 0)
                return 1;
        return 0;
    }
    if (mode == "finish") {
        if (ecfPagamento(0, "00", "100000", 0) != 0)
            return 1;
        return ecfFimTrans("OPERADOR") == 0 ? 0 : 1;
    }
    if (mode == "fill") {
        if (ecfImpCab(0) != 0 || ecfInicCupomNFiscal(1) != 0)
            return 1;
        int ok = 0;
        int32_t rc = 0;
        while (ok < 100000 && (rc = ecfImpLinha("Linha para encher o disco da impressora")) == 0)
            ++ok;
        say("OK " + std::to_string(ok));
        say("RC " + std::to_string(rc));
        say(std::string("S ") + ecfStatusImp());
        return 0;
    }
    if (mode == "probe") {
        say(std::string("S ") + ecfStatusImp());
        say("RC " + std::to_string(ecfImpCab(0)));
        return 0;
    }
    if (mode == "loop" && argc > 2)
        return loop(static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)));
    return 2;
}
