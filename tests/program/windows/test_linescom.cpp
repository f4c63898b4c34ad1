// The commercial-lines window: the eight lines read from and written to
// "linescom.txt" (Windows Latin bytes, CR LF), the replace question, saves
// that fail without touching the old file, and "Enviar linhas".
#include "support/app_fixture.h"
#include "support/working_directory.h"
#include "toolkit/tform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <csignal>

namespace {

const QString kReplaceQuestion = QStringLiteral(
    "Você deseja substituir o registro em disco das linhas comerciais atualmente em uso?");

const QString kIncompleteWrite = QStringLiteral(
    "Não foi possível gravar o arquivo de linhas comerciais \"linescom.txt\" (gravação "
    "incompleta); nada foi alterado no disco.");

const QStringList kPrompts = {
    "Coloque aqui a primeira linha comercial", "Coloque aqui a segunda linha comercial",
    "Coloque aqui a terceira linha comercial", "Coloque aqui a quarta linha comercial",
    "Coloque aqui a quinta linha comercial",   "Coloque aqui a sexta linha comercial",
    "Coloque aqui a sétima linha comercial",   "Coloque aqui a oitava linha comercial",
};

// Lines as the file holds them: Windows Latin bytes, CR LF after each.
QByteArray fileOf(const QList<QByteArray>& lines) {
    QByteArray bytes;
    for (const QByteArray& line : lines) {
        bytes += line + "\r\n";
    }
    return bytes;
}

// While alive, no file of the process may grow beyond the given size: a
// full disk that even root cannot write past. The signal the kernel sends
// with it is ignored, so the write fails instead.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

}  // namespace

class CommercialLinesWindow : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        ASSERT_TRUE(directory_.isValid());
        startApplication();
    }

    void writeFile(const QByteArray& bytes) {
        QFile file(QStringLiteral("linescom.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    QByteArray fileBytes() const {
        QFile file(QStringLiteral("linescom.txt"));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }
    // What the working directory holds: a save leaves no temporary behind.
    QStringList directoryEntries() const {
        return QDir(directory_.path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    }

    QLineEdit* edit(int number) const {
        return control<QLineEdit>("linecom", QStringLiteral("Edit%1").arg(number));
    }
    QStringList editTexts() const {
        QStringList texts;
        for (int i = 1; i <= 8; ++i) {
            texts.append(edit(i)->text());
        }
        return texts;
    }
    void setEdits(const QStringList& texts) {
        for (int i = 0; i < texts.size(); ++i) {
            edit(i + 1)->setText(texts[i]);
        }
    }
    // Ctrl+Y of the main window.
    void showWindow() { trigger("Linhascomerciais1"); }

    TemporaryWorkingDirectory directory_;
};

TEST_F(CommercialLinesWindow, LayoutHasEightFullWidthEditsAndTheThreeButtons) {
    for (int i = 1; i <= 8; ++i) {
        EXPECT_EQ(edit(i)->maxLength(), 48);
        EXPECT_EQ(edit(i)->text(), "123456789012345678901234567890123456789012345678");
    }
    EXPECT_EQ(control<QAbstractButton>("linecom", "Button1")->text(), "Salvar");
    EXPECT_EQ(control<QAbstractButton>("linecom", "Button2")->text(), "Cancelar");
    EXPECT_EQ(control<QAbstractButton>("linecom", "Button3")->text(), "Enviar linhas");
    EXPECT_EQ(form("linecom")->defaultButton(), control<QAbstractButton>("linecom", "Button1"));
    EXPECT_EQ(form("linecom")->windowTitle(), "Cadastro de linhas comerciais");
}

TEST_F(CommercialLinesWindow, FirstShowingPromptsAndSalvarWritesThePromptsWithCrLf) {
    showWindow();
    EXPECT_EQ(activeForm(), form("linecom"));
    EXPECT_EQ(editTexts(), kPrompts);

    log.clear();
    click("linecom", "Button1");
    // No file yet, so no question; closing hands activation back to the
    // main window.
    EXPECT_EQ(log.events(), QStringList{"ecfStatusImp()"});
    EXPECT_FALSE(form("linecom")->isVisible());
    EXPECT_EQ(
        fileBytes(),
        fileOf({"Coloque aqui a primeira linha comercial", "Coloque aqui a segunda linha comercial",
                "Coloque aqui a terceira linha comercial", "Coloque aqui a quarta linha comercial",
                "Coloque aqui a quinta linha comercial", "Coloque aqui a sexta linha comercial",
                "Coloque aqui a s\xe9tima linha comercial",
                "Coloque aqui a oitava linha comercial"}));
    EXPECT_EQ(directoryEntries(), QStringList{"linescom.txt"});
}

TEST_F(CommercialLinesWindow, SalvarWritesTheEditsExactlyEmptyLinesAndBlanksIncluded) {
    showWindow();
    setEdits({"  Obrigado pela preferência  ", "", "Volte sempre", "", "", "", "", "x"});
    click("linecom", "Button1");
    EXPECT_EQ(fileBytes(),
              QByteArray("  Obrigado pela prefer\xeancia  \r\n\r\nVolte sempre\r\n\r\n\r\n\r\n"
                         "\r\nx\r\n"));
}

struct ReadCase {
    const char* name;
    QByteArray bytes;
    QStringList edits;
};

void PrintTo(const ReadCase& readCase, std::ostream* out) {
    *out << readCase.name;
}

class ReadingTheFile : public CommercialLinesWindow,
                       public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadingTheFile, FillsTheEditsAtActivation) {
    writeFile(GetParam().bytes);
    showWindow();
    EXPECT_EQ(editTexts(), GetParam().edits);
    EXPECT_TRUE(dialogs.boxes().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadingTheFile,
    ::testing::Values(
        ReadCase{"EightLinesCrLf",
                 fileOf({"um", "dois", "tres", "quatro", "cinco", "seis", "sete", "oito"}),
                 {"um", "dois", "tres", "quatro", "cinco", "seis", "sete", "oito"}},
        ReadCase{"FiveLinesLeaveThreeEmpty",
                 fileOf({"a", "b", "c", "d", "e"}),
                 {"a", "b", "c", "d", "e", "", "", ""}},
        ReadCase{"LineFeedsAlone",
                 "primeira\nsegunda\n\nquarta\n",
                 {"primeira", "segunda", "", "quarta", "", "", "", ""}},
        ReadCase{"LastLineWithoutItsEnd", "a\r\nb\r\nc", {"a", "b", "c", "", "", "", "", ""}},
        ReadCase{"OnlyTheFirstEightOfMore",
                 fileOf({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}),
                 {"1", "2", "3", "4", "5", "6", "7", "8"}},
        ReadCase{"EmptyFile", "", {"", "", "", "", "", "", "", ""}},
        ReadCase{"BlanksKept",
                 fileOf({"  com brancos  ", " "}),
                 {"  com brancos  ", " ", "", "", "", "", "", ""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommercialLinesWindow, WindowsLatinBytesRoundTrip) {
    // Bytes as a Windows editor writes them: ç ã é º in Latin-1's range and
    // the euro sign and dashes of the 0x80 row.
    const QByteArray written = fileOf({"Pre\xe7o: \x80 1,99 \x96 promo\xe7\xe3o", "Caf\xe9 n\xba 1",
                                       "\x93"
                                       "aspas"
                                       "\x94"});
    writeFile(written);
    showWindow();
    EXPECT_EQ(edit(1)->text(), "Preço: € 1,99 – promoção");
    EXPECT_EQ(edit(2)->text(), "Café nº 1");
    EXPECT_EQ(edit(3)->text(), "“aspas”");

    // The printer gets the same bytes...
    click("linecom", "Button3");
    EXPECT_EQ(driver.calls().mid(0, 3),
              (QStringList{"ecfImpLinha(\"Preço: € 1,99 – promoção\")",
                           "ecfImpLinha(\"Café nº 1\")", "ecfImpLinha(\"“aspas”\")"}));

    // ... and saving them unchanged writes the file back byte for byte.
    dialogs.answer(DialogAnswer::Yes);
    click("linecom", "Button1");
    EXPECT_EQ(fileBytes(), written + "\r\n\r\n\r\n\r\n\r\n");
}

TEST_F(CommercialLinesWindow, EachActivationReadsTheFileAgain) {
    showWindow();
    click("linecom", "Button2");
    writeFile(fileOf({"gravada depois"}));
    showWindow();
    EXPECT_EQ(edit(1)->text(), "gravada depois");
    EXPECT_EQ(edit(2)->text(), "");
}

TEST_F(CommercialLinesWindow, SimReplacesTheRegisteredLines) {
    writeFile(fileOf({"antiga"}));
    showWindow();
    setEdits({"nova 1", "nova 2"});
    dialogs.answer(DialogAnswer::Yes);
    log.clear();
    click("linecom", "Button1");
    EXPECT_EQ(log.events(),
              (QStringList{"information question: " + kReplaceQuestion, "ecfStatusImp()"}));
    EXPECT_EQ(dialogs.boxes().first().caption, "Informação");
    EXPECT_FALSE(form("linecom")->isVisible());
    EXPECT_EQ(fileBytes(), fileOf({"nova 1", "nova 2", "", "", "", "", "", ""}));
    EXPECT_EQ(directoryEntries(), QStringList{"linescom.txt"});
}

TEST_F(CommercialLinesWindow, NaoClosesAndKeepsTheOldFile) {
    const QByteArray old = fileOf({"antiga", "segunda antiga"});
    writeFile(old);
    showWindow();
    setEdits({"nova"});
    dialogs.answer(DialogAnswer::No);
    click("linecom", "Button1");
    EXPECT_EQ(dialogs.texts(), QStringList{kReplaceQuestion});
    EXPECT_FALSE(form("linecom")->isVisible());
    EXPECT_EQ(fileBytes(), old);
}

TEST_F(CommercialLinesWindow, CancelarClosesWithoutSaving) {
    showWindow();
    setEdits({"nunca gravada"});
    log.clear();
    click("linecom", "Button2");
    EXPECT_EQ(log.events(), QStringList{"ecfStatusImp()"});
    EXPECT_FALSE(form("linecom")->isVisible());
    EXPECT_FALSE(QFileInfo::exists("linescom.txt"));
}

TEST_F(CommercialLinesWindow, FailedWriteKeepsTheOldFileWholeAndReports) {
    const QByteArray old = fileOf({"linha registrada um", "linha registrada dois", "tres", "quatro",
                                   "cinco", "seis", "sete", "oito"});
    writeFile(old);
    showWindow();
    setEdits({"nova linha que nao cabe no disco", "outra"});
    dialogs.answer(DialogAnswer::Yes);
    dialogs.acknowledge();
    log.clear();
    {
        // The disk fills up after the first 16 bytes of the new text.
        FileSizeLimit diskFull(16);
        click("linecom", "Button1");
    }
    ASSERT_EQ(dialogs.boxes().size(), 2);
    EXPECT_EQ(dialogs.boxes()[0].text, kReplaceQuestion);
    EXPECT_EQ(dialogs.boxes()[1].kind, DialogKind::Exception);
    EXPECT_EQ(dialogs.boxes()[1].text, kIncompleteWrite);
    EXPECT_EQ(fileBytes(), old);
    EXPECT_EQ(directoryEntries(), QStringList{"linescom.txt"});
    // The save stopped there: the window stays open with the operator's lines.
    EXPECT_TRUE(form("linecom")->isVisible());
    EXPECT_EQ(edit(1)->text(), "nova linha que nao cabe no disco");
    EXPECT_EQ(log.events().size(), 2);  // the two boxes, no driver call
}

TEST_F(CommercialLinesWindow, FailedFirstWriteLeavesNoPartialFile) {
    showWindow();
    dialogs.acknowledge();
    {
        FileSizeLimit diskFull(16);
        click("linecom", "Button1");
    }
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].kind, DialogKind::Exception);
    EXPECT_EQ(dialogs.boxes()[0].text, kIncompleteWrite);
    EXPECT_TRUE(directoryEntries().isEmpty()) << directoryEntries().join(' ').toStdString();
    EXPECT_TRUE(form("linecom")->isVisible());
}

TEST_F(CommercialLinesWindow, RegisterThatCannotBeReplacedIsReportedAndKept) {
    // A directory stands where the file should be: it can be neither read
    // nor replaced, whoever runs the program.
    ASSERT_TRUE(QDir().mkpath("linescom.txt/guardado"));
    dialogs.acknowledge();  // the failed read at activation
    showWindow();
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].kind, DialogKind::Exception);
    EXPECT_TRUE(dialogs.boxes()[0].text.startsWith(
        "Não foi possível ler o arquivo de linhas comerciais \"linescom.txt\""));

    dialogs.clear();
    dialogs.answer(DialogAnswer::Yes);
    dialogs.acknowledge();
    log.clear();
    click("linecom", "Button1");
    EXPECT_EQ(log.events(),
              (QStringList{"information question: " + kReplaceQuestion,
                           "message: Não foi possível deletar e substituir o arquivo de registro",
                           "ecfStatusImp()"}));
    EXPECT_FALSE(form("linecom")->isVisible());
    EXPECT_TRUE(QFileInfo("linescom.txt/guardado").isDir());
    EXPECT_EQ(directoryEntries(), QStringList{"linescom.txt"});
}

TEST_F(CommercialLinesWindow, EnviarLinhasSendsTheEightLinesAsTypedAndStaysOpen) {
    showWindow();
    setEdits({"  um  ", "", "tres", "quatro", "cinco", "seis", "sete", "oito"});
    log.clear();
    click("linecom", "Button3");
    EXPECT_EQ(log.events(), (QStringList{"ecfImpLinha(\"  um  \")", "ecfImpLinha(\"\")",
                                         "ecfImpLinha(\"tres\")", "ecfImpLinha(\"quatro\")",
                                         "ecfImpLinha(\"cinco\")", "ecfImpLinha(\"seis\")",
                                         "ecfImpLinha(\"sete\")", "ecfImpLinha(\"oito\")"}));
    EXPECT_TRUE(form("linecom")->isVisible());
    EXPECT_FALSE(QFileInfo::exists("linescom.txt"));
}

TEST_F(CommercialLinesWindow, EnviarLinhasStopsAtTheFirstRefusedLine) {
    showWindow();
    driver.queueResults("ecfImpLinha", {0, 0, 17});
    dialogs.acknowledge();
    log.clear();
    click("linecom", "Button3");
    EXPECT_EQ(log.events(), (QStringList{"ecfImpLinha(\"Coloque aqui a primeira linha comercial\")",
                                         "ecfImpLinha(\"Coloque aqui a segunda linha comercial\")",
                                         "ecfImpLinha(\"Coloque aqui a terceira linha comercial\")",
                                         "message: Ocorreu o seguinte erro: 17"}));
    EXPECT_EQ(dialogs.boxes().first().caption, "WIN_ECF");
    EXPECT_TRUE(form("linecom")->isVisible());
}
