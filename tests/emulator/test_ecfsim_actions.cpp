// ecfsim's actions called directly, as another front end (the front panel)
// calls them: what they change, the lines they give back, and the requests
// they refuse before touching the memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "ecfsim/actions.h"
#include "ecfsim/views.h"
#include "support.h"

using namespace emutest;

namespace {

class EcfsimActions : public EmulatorTest {};

TEST_F(EcfsimActions, ChangesAreAppliedTogetherAndDescribedInOrder) {
    std::vector<ecfsim::Change> changes =
        ecfsim::parseChanges({"paper", "low", "drawer", "absent", "latency", "25"});
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].key, "paper");
    EXPECT_EQ(changes[2].value, "25");
    ecfsim::Result r = ecfsim::applyChanges(tool(), changes);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.lines, (std::vector<std::string>{"papel: pouco papel", "gaveta: ausente",
                                                 "latência: 25 ms"}));
    const fiscemu::Settings& s = tool().settings();
    EXPECT_EQ(s.paper, fiscemu::kPaperLowLevel);
    EXPECT_EQ(s.drawer, fiscemu::kDrawerAbsent);
    EXPECT_EQ(s.latencyMs, 25);
}

// The front panel makes its changes from values, ecfsim from words: the two
// must be the same change, refused alike out of range.
TEST_F(EcfsimActions, TypedChangesAreTheChangesOfSetsWords) {
    const std::vector<std::pair<std::vector<std::string>, ecfsim::Change>> cases = {
        {{"power", "off"}, ecfsim::powerChange(false)},
        {{"paper", "out"}, ecfsim::paperChange(fiscemu::kPaperOutLevel)},
        {{"paper", "low"}, ecfsim::paperChange(fiscemu::kPaperLowLevel)},
        {{"auth-paper", "absent"}, ecfsim::authPaperChange(false)},
        {{"drawer", "open"}, ecfsim::drawerChange(fiscemu::kDrawerOpen)},
        {{"drawer", "absent"}, ecfsim::drawerChange(fiscemu::kDrawerAbsent)},
        {{"drawer-auto-close", "0"}, ecfsim::drawerAutoCloseChange(0)},
        {{"drawer-auto-close", "30"}, ecfsim::drawerAutoCloseChange(30)},
        {{"port", "COM2"}, ecfsim::portChange(1)},
        {{"model", "2.04"}, ecfsim::modelChange(fiscemu::Model::V204)},
        {{"intervention", "on"}, ecfsim::interventionChange(true)},
        {{"latency", "60000"}, ecfsim::latencyChange(60000)}};
    for (const auto& [words, typed] : cases) {
        SCOPED_TRACE(words[0] + " " + words[1]);
        ecfsim::Change parsed = ecfsim::parseChange(words[0], words[1]);
        EXPECT_EQ(typed.key, parsed.key);
        EXPECT_EQ(typed.value, parsed.value);
        EXPECT_EQ(typed.description, parsed.description);
        fiscemu::Settings fromWords, fromValue;
        parsed.apply(fromWords);
        typed.apply(fromValue);
        // Opening the drawer stamps the moment; both stamp one.
        EXPECT_EQ(fromWords.drawerOpenedAt != 0, fromValue.drawerOpenedAt != 0);
        fromValue.drawerOpenedAt = fromWords.drawerOpenedAt;
        EXPECT_TRUE(fromWords == fromValue);
        EXPECT_FALSE(fromWords == fiscemu::Settings());  // each changes the factory setting
    }
    for (const std::function<void()>& outOfRange : std::vector<std::function<void()>>{
             [] { ecfsim::paperChange(3); }, [] { ecfsim::drawerChange(-1); },
             [] { ecfsim::drawerAutoCloseChange(86401); }, [] { ecfsim::portChange(2); },
             [] { ecfsim::latencyChange(-1); }}) {
        try {
            outOfRange();
            ADD_FAILURE() << "a value out of range was taken";
        } catch (const ecfsim::UsageError& e) {
            EXPECT_EQ(e.command, "set");
        }
    }
}

// Numbers on the command line are digits alone: no sign, no blank, at most nine.
TEST(EcfsimNumbers, OnlyPlainDigitsWithinTheRangeAreNumbers) {
    EXPECT_EQ(ecfsim::parseNumber("007", 1, 10), 7);
    EXPECT_EQ(ecfsim::parseNumber("999999999", 0, 999999999), 999999999);
    for (const char* text : {"", "+5", "-5", " 5", "5 ", "5x", "0x5", "1234567890", "٣"})
        EXPECT_FALSE(ecfsim::parseNumber(text, -10, 2000000000)) << text;
    EXPECT_FALSE(ecfsim::parseNumber("0", 1, 10));
    EXPECT_FALSE(ecfsim::parseNumber("11", 1, 10));
}

TEST_F(EcfsimActions, LeavingTechnicalInterventionReportsTheNewCro) {
    ASSERT_TRUE(ecfsim::applyChanges(tool(), ecfsim::parseChanges({"intervention", "on"})).ok);
    const int64_t cro = tool().state().s.cro;
    ecfsim::Result r = ecfsim::applyChanges(tool(), ecfsim::parseChanges({"intervention", "off"}));
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[1], "fim da intervenção técnica: CRO agora " + std::to_string(cro + 1));
}

TEST_F(EcfsimActions, RefusedRequestsThrowWithTheCommandToExplainThem) {
    auto refusal = [](const std::function<void()>& action) -> ecfsim::UsageError {
        try {
            action();
        } catch (const ecfsim::UsageError& e) {
            return e;
        }
        return {"(nothing thrown)", ""};
    };
    ecfsim::UsageError e = refusal([] { ecfsim::parseChanges({"paper", "low", "paper", "ok"}); });
    EXPECT_EQ(e.message, "ajuste repetido: paper");
    EXPECT_EQ(e.command, "set");
    e = refusal([] { ecfsim::parseChange("model", "4.00"); });
    EXPECT_EQ(e.message, "valor inválido para model: '4.00' (use 2.04, 3.00 ou 3.01)");
    e = refusal([&] { ecfsim::setFault(tool(), "ecfImpCab", 1000); });
    EXPECT_EQ(e.command, "fail");
    e = refusal([&] { ecfsim::setFault(tool(), "ecfimpcab", 12); });
    EXPECT_EQ(e.message, "função desconhecida: ecfimpcab (quis dizer ecfImpCab?)");
    e = refusal([&] { ecfsim::clearFault(tool(), "ChangePort"); });
    EXPECT_EQ(e.command, "fail");
    // None of them reached the memory.
    EXPECT_TRUE(tool().settings() == fiscemu::Settings());
    EXPECT_TRUE(tool().faults().empty());
    // The list a front end offers holds every function a fault can be set on.
    std::vector<std::string> functions = ecfsim::faultableFunctions();
    EXPECT_EQ(functions.size(), fiscemu::driverFunctionNames().size() - 1);
    EXPECT_EQ(std::count(functions.begin(), functions.end(), "ChangePort"), 0);
}

TEST_F(EcfsimActions, FaultsAreSetAndClearedOneByOneOrAll) {
    EXPECT_EQ(ecfsim::setFault(tool(), "ecfFimTrans", 21).lines,
              (std::vector<std::string>{"a próxima chamada de ecfFimTrans responde 21"}));
    ASSERT_TRUE(ecfsim::setFault(tool(), "ecfImpCab", 12).ok);
    EXPECT_EQ(tool().faults().size(), 2u);
    EXPECT_EQ(ecfsim::clearFault(tool(), "ecfLineFeed").lines,
              (std::vector<std::string>{"ecfLineFeed não tinha falha pendente"}));
    EXPECT_EQ(ecfsim::clearFault(tool(), "ecfImpCab").lines,
              (std::vector<std::string>{"falha de ecfImpCab desfeita"}));
    EXPECT_EQ(tool().faults().size(), 1u);
    EXPECT_EQ(ecfsim::clearFault(tool(), "").lines,
              (std::vector<std::string>{"nenhuma falha pendente"}));
    EXPECT_TRUE(tool().faults().empty());
}

TEST_F(EcfsimActions, NextDayAndResetSayWhereThePrinterNowIs) {
    ecfsim::Result day = ecfsim::nextDay(tool());
    ASSERT_TRUE(day.ok);
    ASSERT_EQ(day.lines.size(), 2u);
    EXPECT_EQ(day.lines[0], "relógio da impressora: 11/03/2026 12:00:00");
    EXPECT_EQ(day.lines[1], "estado: 000 " + fiscemu::stateWords(0));
    ASSERT_TRUE(ecfsim::setFault(tool(), "ecfImpCab", 12).ok);
    ecfsim::Result reset = ecfsim::resetToFactory(tool());
    ASSERT_TRUE(reset.ok);
    EXPECT_EQ(reset.lines,
              (std::vector<std::string>{"memória no estado de fábrica: " + tool().store().path()}));
    EXPECT_TRUE(tool().faults().empty());
}

TEST_F(EcfsimActions, OpeningAMemoryForReadingNeverCreatesIt) {
    std::string error, notice;
    EXPECT_EQ(ecfsim::openMemory(dir_->path() + "/nova.db", false, &error, &notice), nullptr);
    EXPECT_EQ(error.rfind("memória não encontrada: " + dir_->path() + "/nova.db", 0), 0u) << error;
    EXPECT_NE(ecfsim::openMemory(dir_->path() + "/nova.db", true, &error, &notice), nullptr);
    EXPECT_EQ(notice, "memória nova criada em " + dir_->path() + "/nova.db (estado de fábrica)");
    notice.clear();
    EXPECT_NE(ecfsim::openMemory(dir_->path() + "/nova.db", false, &error, &notice), nullptr);
    EXPECT_TRUE(notice.empty());
}

TEST(EcfsimTraceArguments, SplitsTypedValuesAndRefusesWhatItCannotRead) {
    auto args = ecfsim::traceArguments(R"(-3, "a, \x22b\x22", NULL, &7, "xy"...(300 bytes))");
    ASSERT_TRUE(args);
    EXPECT_EQ(args->dump(),
              R"([-3,"a, \\x22b\\x22",null,{"pointer":7},{"text":"xy","bytes":300}])");
    EXPECT_EQ(ecfsim::traceArguments("")->dump(), "[]");
    EXPECT_FALSE(ecfsim::traceArguments("1,2"));
    EXPECT_FALSE(ecfsim::traceArguments("\"open"));
    EXPECT_FALSE(ecfsim::traceArguments("1, dois"));
    EXPECT_FALSE(ecfsim::traceArguments("\"x\"...(muitos bytes)"));
}

}  // namespace
