// The commercial-lines file across interrupted saves: a save killed at any
// instant leaves the old text or the new one whole, and the temporary files
// such a save leaves behind go at the next save or read, and nothing else does.
#include "linescom/commercial_lines_file.h"

#include "support/qt_printers.h"
#include "support/working_directory.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList entries() {
    QStringList names =
        QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    names.sort();
    return names;
}

void plant(const QString& name, const QByteArray& bytes = "Linha perdida\r\n") {
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
    file.write(bytes);
}

QStringList version(const QString& tag) {
    QStringList lines;
    for (int i = 1; i <= CommercialLinesFile::LineCount; ++i) {
        lines << QStringLiteral("%1 linha %2 promoção").arg(tag).arg(i);
    }
    return lines;
}

class CommercialLinesLeftovers : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(directory_.isValid());
        ASSERT_EQ(CommercialLinesFile::save(version("A")), CommercialLinesFile::SaveOutcome::Saved);
        // What an interrupted save leaves: the file's name, a dot, six letters or digits.
        plant("linescom.txt.NfVncF");
        plant("linescom.txt.a1B2c3", "");
        // Files of other people that merely look alike stay.
        plant("linescom.txt.bak");
        plant("linescom.txt.1234567");
        plant("linescom.txt.abc");
        plant("linescom.txt.ab-cde");
        plant("outro.txt.ABCDEF");
        plant("LINESCOM.TXT.ABCDEF");
        ASSERT_TRUE(QDir().mkdir("linescom.txt.Pasta1"));
        ASSERT_TRUE(QFile::link("outro.txt.ABCDEF", "linescom.txt.Link12"));
    }
    const QStringList kept{"LINESCOM.TXT.ABCDEF", "linescom.txt",        "linescom.txt.1234567",
                           "linescom.txt.Link12", "linescom.txt.Pasta1", "linescom.txt.ab-cde",
                           "linescom.txt.abc",    "linescom.txt.bak",    "outro.txt.ABCDEF"};
    TemporaryWorkingDirectory directory_;
};

TEST_F(CommercialLinesLeftovers, GoAtTheNextSave) {
    ASSERT_EQ(CommercialLinesFile::save(version("B")), CommercialLinesFile::SaveOutcome::Saved);
    EXPECT_EQ(entries(), kept);
    EXPECT_EQ(CommercialLinesFile::read(), version("B"));
}

TEST_F(CommercialLinesLeftovers, GoAtTheNextRead) {
    EXPECT_EQ(CommercialLinesFile::read(), version("A"));
    EXPECT_EQ(entries(), kept);
}

TEST(CommercialLinesKilledSave, LeavesTheOldOrTheNewTextWholeAndNoLeftoverAfterTheNextRead) {
    TemporaryWorkingDirectory directory;
    ASSERT_TRUE(directory.isValid());
    ASSERT_EQ(CommercialLinesFile::save(version("A")), CommercialLinesFile::SaveOutcome::Saved);
    int killedMidway = 0;
    for (int round = 0; round < 40; ++round) {
        pid_t pid = fork();
        if (pid == 0) {
            // Saves the two versions in turn as fast as it can, until killed.
            for (int i = 0;; ++i) {
                CommercialLinesFile::save(version(i % 2 ? "A" : "B"));
            }
        }
        ASSERT_GT(pid, 0);
        usleep(static_cast<useconds_t>(QRandomGenerator::global()->bounded(1000, 20000)));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        killedMidway += entries().size() > 1;
        const QStringList lines = CommercialLinesFile::read();
        EXPECT_TRUE(lines == version("A") || lines == version("B")) << "round " << round;
        EXPECT_EQ(entries(), QStringList{"linescom.txt"}) << "round " << round;
    }
    RecordProperty("rounds_with_a_leftover", killedMidway);
}

}  // namespace
