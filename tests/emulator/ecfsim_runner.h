// Running the ecfsim tool as a program from a test, in the test's working
// directory and against its own memory, and the few driver calls its tests
// share. The fixture is one class for every file of the ecfsim tests.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "driver_support.h"

namespace emutest {

struct Outcome {
    int code = -1;  // exit status, or -1 when the program did not exit normally
    std::string out, err;
};

inline std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

inline void execEcfsim(const std::vector<std::string>& args) {
    std::vector<std::string> copy = args;
    std::string prog = ECFSIM_EXE;
    std::vector<char*> argv{prog.data()};
    for (std::string& a : copy)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(prog.c_str(), argv.data());
    _exit(127);
}

// Runs ecfsim to its end in the test's working directory and environment;
// `env` adds or replaces variables (an empty value removes one).
inline Outcome ecfsim(const std::vector<std::string>& args,
                      const std::map<std::string, std::string>& env = {}) {
    pid_t pid = fork();
    if (pid == 0) {
        for (const auto& [k, v] : env) {
            if (v.empty())
                unsetenv(k.c_str());
            else
                setenv(k.c_str(), v.c_str(), 1);
        }
        int out = open("ecfsim.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open("ecfsim.err", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(err, 2);
        execEcfsim(args);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    Outcome r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = slurp("ecfsim.out");
    r.err = slurp("ecfsim.err");
    return r;
}

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

// A fiscal coupon with two items (1,50 and 2,25 on rate position 0), still open.
inline void sellTwoItems() {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVenda_Item("123", "Produto", "1", "000", "150", 0), 0);
    ASSERT_EQ(ecfVenda_Item("456", "Outro", "1", "500", "150", 0), 0);
}

inline void closeCoupon() {
    ASSERT_EQ(ecfPagamento(0, "00", "1000", 0), 0);
    ASSERT_EQ(ecfFimTrans("OP"), 0);
}

class Ecfsim : public DriverTest {};

}  // namespace emutest
