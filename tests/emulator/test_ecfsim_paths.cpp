// ecfsim on paths that are not memories, and its messages that must send the
// user the right way: reset refuses a device node, a FIFO, a folder or a
// link and touches nothing; a lost memory, a loop of links and an over-long
// path are named as such; near-miss function names get a suggestion; a flag
// given "=0" is off. Every odd path is made in the test's own folder.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "driver_support.h"
#include "ecfsim_runner.h"
#include "odd_paths.h"

using namespace emutest;

namespace {

// ecfsim run to its end, stopped if it waits for more than 30 s (opening a
// FIFO would wait for ever): code -1 then.
Outcome ecfsimWithin(const std::vector<std::string>& args) {
    Outcome r;
    r.code = inChildWithin(30, [&] {
        int out = open("ecfsim.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open("ecfsim.err", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(err, 2);
        execEcfsim(args);
        return 127;
    });
    r.out = slurp("ecfsim.out");
    r.err = slurp("ecfsim.err");
    return r;
}

// The Portuguese words ecfsim uses for what each odd path is.
std::string wordsFor(const std::string& what) {
    if (what == "directory")
        return "é uma pasta";
    if (what == "FIFO")
        return "é um FIFO";
    if (what == "device node")
        return "é um dispositivo";
    if (what == "loop of links")
        return "laço de links simbólicos";
    return "link simbólico";
}

class EcfsimPaths : public Ecfsim {
protected:
    std::string oddDir() { return oddFolder(dir_->path()); }
};

}  // namespace

TEST_F(EcfsimPaths, ResetRefusesWhatIsNotAMemoryAndTouchesNothing) {
    std::string skipped;
    const std::string odd = oddDir();
    std::vector<OddPath> paths = makeOddPaths(odd, &skipped);
    if (!skipped.empty())
        std::printf("note: %s\n", skipped.c_str());
    // A link to a sound memory: reset would replace the link, not the memory.
    ASSERT_EQ(ecfsim({"--db", odd + "/real.db", "set", "paper", "low"}).code, 0);
    ASSERT_EQ(symlink("real.db", (odd + "/link-real.db").c_str()), 0);
    paths.push_back({"link to a memory", odd + "/link-real.db"});
    // A sound memory with a FIFO where its WAL would be.
    ASSERT_EQ(ecfsim({"--db", odd + "/comfifo.db", "set", "paper", "low"}).code, 0);
    ASSERT_EQ(mkfifo((odd + "/comfifo.db-wal").c_str(), 0644), 0);
    paths.push_back({"memory beside a FIFO", odd + "/comfifo.db"});
    // A sound memory with a FIFO where its trace would be.
    ASSERT_EQ(ecfsim({"--db", odd + "/tracefifo.db", "set", "paper", "low"}).code, 0);
    ASSERT_EQ(mkfifo((odd + "/tracefifo.db-trace").c_str(), 0644), 0);
    paths.push_back({"memory beside a FIFO trace", odd + "/tracefifo.db"});

    const auto before = folderSnapshot(odd);
    for (const OddPath& p : paths) {
        SCOPED_TRACE(p.what);
        Outcome r = ecfsimWithin({"--db", p.path, "reset", "--yes"});
        ASSERT_NE(r.code, -1) << "ecfsim waited on, or crashed at, " << p.path;
        EXPECT_EQ(r.code, 1) << r.out;
        EXPECT_TRUE(contains(r.err, "Nada foi apagado")) << r.err;
        EXPECT_TRUE(contains(r.err, "O que fazer")) << r.err;
        if (p.what.rfind("memory beside", 0) == 0)
            EXPECT_TRUE(contains(r.err, "FIFO") || contains(r.err, "não é um arquivo comum"))
                << r.err;
        else
            EXPECT_TRUE(contains(r.err, wordsFor(p.what))) << r.err;
        auto after = folderSnapshot(odd);
        EXPECT_EQ(after, before) << "now: " << namesOf(after);
    }
}

TEST_F(EcfsimPaths, ReadingCommandsSayWhatIsReallyWrong) {
    const std::string odd = oddDir();
    std::string skipped;
    std::vector<OddPath> paths = makeOddPaths(odd, &skipped);
    // A memory lost beside its WAL.
    {
        std::ofstream f(odd + "/perdida.db-wal", std::ios::binary);
        f << std::string(5000, 'w');
    }
    const std::string tooLong = odd + "/" + std::string(300, 'n') + ".db";
    const auto before = folderSnapshot(odd);
    struct Case {
        std::string path, words;
    };
    std::vector<Case> cases = {
        {odd + "/perdida.db", "memória perdida"},
        {tooLong, "caminho longo demais"},
        {odd + "/" + std::string(300, 'p') + "/ecfsim.db", "caminho longo demais"},
    };
    for (const OddPath& p : paths)
        cases.push_back({p.path, wordsFor(p.what)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.substr(0, 120));
        for (const char* command : {"status", "verify", "paper", "set"}) {
            std::vector<std::string> args = {"--db", c.path, command};
            if (std::string(command) == "set")
                args.insert(args.end(), {"paper", "low"});
            Outcome r = ecfsimWithin(args);
            EXPECT_EQ(r.code, 1) << command;
            EXPECT_TRUE(contains(r.err, c.words)) << command << ": " << r.err;
            EXPECT_FALSE(contains(r.err, "não encontrada")) << command << ": " << r.err;
            EXPECT_TRUE(contains(r.err, "O que fazer")) << command << ": " << r.err;
        }
    }
    // The lost memory's message names its WAL and the way out.
    Outcome lost = ecfsim({"--db", odd + "/perdida.db", "status"});
    EXPECT_TRUE(contains(lost.err, odd + "/perdida.db-wal")) << lost.err;
    EXPECT_TRUE(contains(lost.err, "ecfsim reset --yes")) << lost.err;
    EXPECT_EQ(folderSnapshot(odd), before);
    // A memory that is simply not there is still "not found".
    Outcome missing = ecfsim({"--db", odd + "/nenhuma.db", "status"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(contains(missing.err, "memória não encontrada")) << missing.err;
}

TEST_F(EcfsimPaths, NearMissFunctionNamesGetASuggestion) {
    struct Case {
        std::string typed, suggestion;
    };
    const std::vector<Case> cases = {
        {"ecfImpCa", "(quis dizer ecfImpCab?)"},       // a letter missing
        {"ecfImpCabb", "(quis dizer ecfImpCab?)"},     // one too many
        {"ecfReducaoX", "(quis dizer ecfReducaoZ?)"},  // one wrong
        {"ecfredusaoz", "(quis dizer ecfReducaoZ?)"},  // one wrong, case aside
        {"ImpCab", "(quis dizer ecfImpCab?)"},         // the end of a name
        {"ECFIMPCAB", "(quis dizer ecfImpCab?)"},      // case only, as before
        {"ecfVenda",
         "(quis dizer ecfVendaItem, ecfVenda_Item ou ecfVendaItem78?)"},  // the beginning
    };
    for (const Case& c : cases) {
        Outcome r = ecfsim({"fail", c.typed, "12"});
        EXPECT_EQ(r.code, 2) << c.typed;
        EXPECT_TRUE(contains(r.err, "função desconhecida: " + c.typed)) << r.err;
        EXPECT_TRUE(contains(r.err, c.suggestion)) << c.typed << ": " << r.err;
    }
    // Nothing near: no suggestion; ChangePort, which takes no fault, is never offered.
    for (const char* far : {"imprime", "xyz", "ChangePrt"}) {
        Outcome r = ecfsim({"fail", far, "12"});
        EXPECT_EQ(r.code, 2);
        EXPECT_FALSE(contains(r.err, "quis dizer")) << far << ": " << r.err;
    }
    EXPECT_TRUE(tool().faults().empty());
}

TEST_F(EcfsimPaths, AJsonFlagSetToZeroPrintsText) {
    for (const char* command : {"status", "memory", "paper", "trace"}) {
        for (const char* off : {"--json=0", "--json=false", "--json=no", "--json=off"}) {
            Outcome r = ecfsim({command, off});
            EXPECT_EQ(r.code, 0) << command << " " << off << ": " << r.err;
            EXPECT_FALSE(contains(r.out, "{") || contains(r.out, "[")) << command << " " << off;
        }
        for (const char* on : {"--json", "--json=1", "--json=true"}) {
            Outcome r = ecfsim({command, on});
            EXPECT_EQ(r.code, 0) << command << " " << on << ": " << r.err;
            ASSERT_FALSE(r.out.empty()) << command << " " << on;
            EXPECT_TRUE(r.out[0] == '{' || r.out[0] == '[') << command << " " << on;
        }
        // Anything but a plain yes or no is refused, not guessed.
        for (const char* odd : {"--json=", "--json=2", "--json=-1", "--json=talvez"}) {
            Outcome r = ecfsim({command, odd});
            EXPECT_EQ(r.code, 2) << command << " " << odd;
            EXPECT_TRUE(r.out.empty()) << command << " " << odd << ": " << r.out;
        }
    }
}
