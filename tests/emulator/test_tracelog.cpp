// The call trace beside the memory: ids that only grow and let a reader
// continue where it stopped, rotation that keeps the ids going, a restart
// from 1, whole rows from several writers, a half-written row unread; and a
// call read back from its line as it was sent.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "core/trace.h"
#include "core/tracelog.h"
#include "support.h"

using fiscemu::TraceLog;
using fiscemu::TraceRow;

namespace {

class TraceFile : public ::testing::Test {
protected:
    void SetUp() override { dir_ = std::make_unique<emutest::WorkDir>(); }
    std::string memory() const { return dir_->db(); }
    std::unique_ptr<emutest::WorkDir> dir_;
};

bool exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

}  // namespace

TEST_F(TraceFile, ReadersContinueAfterTheLastIdTheySaw) {
    TraceLog log(memory());
    EXPECT_TRUE(log.read(0, 0).empty());  // no file yet
    ASSERT_TRUE(log.append("t1", "ecfImpCab", "0", "0"));
    ASSERT_TRUE(log.append("t2", "ecfStatusImp", "", "\"00000001\""));
    ASSERT_TRUE(log.append("t3", "ecfLineFeed", "1, 1", "0"));
    std::vector<TraceRow> all = log.read(0, 0);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].id, 1);
    EXPECT_LT(all[0].id, all[1].id);
    EXPECT_LT(all[1].id, all[2].id);
    EXPECT_EQ(all[1].function, "ecfStatusImp");
    EXPECT_EQ(all[1].args, "");
    EXPECT_EQ(all[1].result, "\"00000001\"");
    std::vector<TraceRow> after = log.read(all[0].id, 0);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].time, "t2");
    // One before a row's id starts at that row (how follow mode re-reads).
    std::vector<TraceRow> from = log.read(all[1].id - 1, 0);
    ASSERT_EQ(from.size(), 2u);
    EXPECT_EQ(from[0].id, all[1].id);
    std::vector<TraceRow> last = log.read(0, 1);
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].function, "ecfLineFeed");
    EXPECT_TRUE(log.read(all[2].id, 0).empty());
}

TEST_F(TraceFile, TabsAndLineEndsNeverSplitARowAndAHalfRowIsNotRead) {
    TraceLog log(memory());
    ASSERT_TRUE(log.append("t", "f", "a\tb\nc", "r\r"));
    {
        std::ofstream f(log.path(), std::ios::app | std::ios::binary);
        f << "t\tecfImpCab\t0";  // a writer still on its way
    }
    std::vector<TraceRow> rows = log.read(0, 0);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].args, "a b c");
    EXPECT_EQ(rows[0].result, "r ");
}

TEST_F(TraceFile, TwoWritersKeepWholeRowsAndDistinctIds) {
    TraceLog a(memory()), b(memory());
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(a.append("ta", "ecfImpLinha", "\"" + std::to_string(i) + "\"", "0"));
        ASSERT_TRUE(b.append("tb", "ecfStatusImp", "", "\"x\""));
    }
    std::vector<TraceRow> rows = a.read(0, 0);
    ASSERT_EQ(rows.size(), 400u);
    for (size_t i = 1; i < rows.size(); ++i)
        ASSERT_LT(rows[i - 1].id, rows[i].id);
    EXPECT_EQ(rows[398].args, "\"199\"");
    EXPECT_EQ(rows[399].function, "ecfStatusImp");
}

TEST_F(TraceFile, RotationKeepsTheIdsGoingAndARestartBeginsAtOne) {
    TraceLog writer(memory()), reader(memory());
    const std::string args(200, 'a');
    int64_t written = 0;
    while (!exists(writer.oldPath())) {
        ASSERT_TRUE(writer.append("t", "ecfImpLinha", args, "0"));
        ++written;
        ASSERT_LT(written, 100000) << "the trace never rotated";
    }
    std::vector<TraceRow> all = reader.read(0, 0);
    ASSERT_EQ(static_cast<int64_t>(all.size()), written);
    for (size_t i = 1; i < all.size(); ++i)
        ASSERT_LT(all[i - 1].id, all[i].id);
    // Rows written after the rotation continue from the last id read.
    int64_t lastSeen = all.back().id;
    ASSERT_TRUE(writer.append("t", "ecfLeituraX", "\"X\"", "0"));
    std::vector<TraceRow> fresh = reader.read(lastSeen, 0);
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_EQ(fresh[0].function, "ecfLeituraX");
    EXPECT_GT(fresh[0].id, lastSeen);

    ASSERT_TRUE(reader.restart());
    EXPECT_FALSE(exists(writer.oldPath()));
    ASSERT_TRUE(writer.append("t", "ecfImpCab", "0", "0"));  // follows the new file
    std::vector<TraceRow> restarted = reader.read(0, 0);
    ASSERT_EQ(restarted.size(), 1u);
    EXPECT_EQ(restarted[0].id, 1);
}

TEST_F(TraceFile, AReasonReadsBackByteForByte) {
    TraceLog log(memory());
    const std::string reason =
        "operador 'a\"b' com \\ e \\x41, acentuação çãé, tab\there, linha\nnova, cr\r, "
        "\x01\x1F\x7F fim";
    ASSERT_TRUE(log.append("t1", "ecfFimTrans", "\"a\"", "1", 120, reason));
    ASSERT_TRUE(log.appendNow("ecfImpCab", "0", "40", "sem memória: só o motivo"));
    ASSERT_TRUE(log.append("t3", "ecfImpCab", "0", "0", 80));
    std::vector<TraceRow> rows = log.read(0, 0);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].reason, reason);
    EXPECT_EQ(rows[0].result, "1");
    EXPECT_EQ(rows[0].micros, 120);
    EXPECT_EQ(rows[1].reason, "sem memória: só o motivo");
    EXPECT_EQ(rows[1].micros, -1) << "a reason does not invent a duration";
    EXPECT_EQ(rows[2].reason, "");
    EXPECT_EQ(rows[2].micros, 80);
    // One row per line, whatever bytes the reason holds.
    std::ifstream in(memory() + "-trace");
    std::string line;
    int lines = 0;
    while (std::getline(in, line))
        ++lines;
    EXPECT_EQ(lines, 4);  // the header and three rows
}

TEST_F(TraceFile, OlderLinesReadAndOlderReadersReadTheirFields) {
    // Lines as earlier libraries wrote them: four fields, then five.
    {
        TraceLog log(memory());
        ASSERT_TRUE(log.append("t0", "ChangePort", "0", "0"));  // creates the file and header
    }
    {
        std::ofstream out(memory() + "-trace", std::ios::app);
        out << "t1\tecfImpCab\t0\t12\n"
            << "t2\tecfImpCab\t0\t12\t250\n";
    }
    TraceLog log(memory());
    ASSERT_TRUE(log.append("t3", "ecfImpCab", "0", "12", 250, "estado 090: motivo"));
    std::vector<TraceRow> rows = log.read(0, 0);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1].micros, -1);
    EXPECT_EQ(rows[1].reason, "");
    EXPECT_EQ(rows[2].micros, 250);
    EXPECT_EQ(rows[2].reason, "");
    EXPECT_EQ(rows[3].reason, "estado 090: motivo");

    // The new line is the old layout plus one field at its end: a reader
    // that knows five fields (the result up to the next tab, the duration
    // read as a number) reads it as it read the old one.
    std::ifstream in(memory() + "-trace");
    std::string line, oldLine, newLine;
    while (std::getline(in, line)) {
        if (line.rfind("t2\t", 0) == 0)
            oldLine = line;
        if (line.rfind("t3\t", 0) == 0)
            newLine = line;
    }
    EXPECT_EQ(newLine, "t3" + oldLine.substr(2) + "\testado 090: motivo");
}

// What the library writes of a call, a reader reads back as it was sent.
TEST(TraceLines, ReadersGetBackWhatTheCallSent) {
    using Kind = fiscemu::TraceValue::Kind;
    const int32_t seven = 7;
    fiscemu::TraceArgs args;
    args.num(-3)
        .text(std::string("a, \"b\""))
        .pointer(&seven)
        .pointer(nullptr)
        .text(std::string(300, 'y'))
        .text(std::nullopt);
    auto values = fiscemu::readTraceArgs(args.str());
    ASSERT_TRUE(values);
    ASSERT_EQ(values->size(), 6u);
    EXPECT_EQ((*values)[0].kind, Kind::Number);
    EXPECT_EQ((*values)[0].number, -3);
    EXPECT_EQ((*values)[1].kind, Kind::Text);
    EXPECT_EQ((*values)[1].text, "a, \\x22b\\x22");
    EXPECT_EQ((*values)[1].cutFrom, -1);
    EXPECT_EQ((*values)[2].kind, Kind::Pointer);
    EXPECT_EQ((*values)[2].number, 7);
    EXPECT_EQ((*values)[3].kind, Kind::Null);
    EXPECT_EQ((*values)[4].text, std::string(256, 'y'));
    EXPECT_EQ((*values)[4].cutFrom, 300);
    EXPECT_EQ((*values)[5].kind, Kind::Null);
    EXPECT_FALSE(fiscemu::readTraceArgs("1,2"));

    fiscemu::TraceResult code = fiscemu::readTraceResult("79");
    EXPECT_EQ(code.code, 79);
    ASSERT_TRUE(code.value);
    EXPECT_EQ(code.value->number, 79);
    fiscemu::TraceResult failure = fiscemu::readTraceResult(fiscemu::quoteBytes("Erro: 079 Sem"));
    EXPECT_EQ(failure.code, 79);
    ASSERT_TRUE(failure.value);
    EXPECT_EQ(failure.value->text, "Erro: 079 Sem");
    EXPECT_EQ(fiscemu::readTraceResult(fiscemu::quoteBytes("00000001")).code, 0);
    fiscemu::TraceResult unknown = fiscemu::readTraceResult("talvez");
    EXPECT_FALSE(unknown.value);
    EXPECT_FALSE(unknown.code);
}
