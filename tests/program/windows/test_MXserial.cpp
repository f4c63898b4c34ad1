// The serial X reading window: the reply cut into its 55 fields at every
// activation, OK clearing them before it closes, the close box keeping them.
#include "support/app_fixture.h"
#include "toolkit/activation.h"
#include "toolkit/tform.h"

#include <QLabel>
#include <QLineEdit>

namespace {

const QString kForm = QStringLiteral("xserial");
const QString kMenuItem = QStringLiteral("LeituraXSerial1");
const QString kReading = QStringLiteral("ecfLeituraXSerial()");

// The field lengths of the reply, field 1 to field 55, as the printer lays
// them out: 13 counters and totalisers, ten rate rows of value, totaliser
// and tax, 12 non-fiscal counters, totalisers and times.
QList<int> fieldLengths() {
    QList<int> lengths{4, 8, 4, 6, 6, 6, 21, 21, 21, 21, 18, 18, 18};
    for (int row = 0; row < 10; ++row) {
        lengths << 5 << 18 << 18;
    }
    lengths << 6 << 6 << 6 << 18 << 18 << 18 << 18 << 18 << 18 << 18 << 9 << 9;
    return lengths;
}

// A text of the given length that tells its field apart from every other:
// the field number, blanks on the left to show they are kept, then a letter
// repeated.
QString fieldText(int number, int length) {
    QString text = QStringLiteral(" %1").arg(number);
    while (text.size() < length) {
        text += QChar(QLatin1Char('a' + number % 26));
    }
    return text.left(length);
}

QStringList readingFields() {
    QStringList fields;
    const QList<int> lengths = fieldLengths();
    for (int i = 0; i < lengths.size(); ++i) {
        fields.append(fieldText(i + 1, lengths[i]));
    }
    return fields;
}

QByteArray readingReply() {
    return readingFields().join(QString()).toLatin1();
}

}  // namespace

class SerialXReadingWindow : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
    }

    QStringList fields() const {
        QStringList result;
        for (int n = 1; n <= 55; ++n) {
            result.append(control<QLineEdit>(kForm, QStringLiteral("Edit%1").arg(n))->text());
        }
        return result;
    }
    static QStringList empty(int count) { return QStringList(QList<QString>(count)); }
    void openOn(const QByteArray& reply) {
        driver.queueReplies("ecfLeituraXSerial", {reply});
        trigger(kMenuItem);
    }
};

TEST_F(SerialXReadingWindow, LayoutBeforeTheFirstReading) {
    TForm* window = form(kForm);
    EXPECT_EQ(window->windowTitle(), "Leitura X Serial");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->border(), TForm::Border::Single);
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(window->defaultButton(), control<QAbstractButton>(kForm, "Button2"));
    EXPECT_EQ(control<QAbstractButton>(kForm, "Button2")->text(), "OK");

    const QStringList captions = {"Próxima redução:",
                                  "Data da abertura:",
                                  "Contador reinício:",
                                  "NSQFI:",
                                  "NSQFF:",
                                  "CFCF:",
                                  "TFCF:",
                                  "TFDF:",
                                  "TFAF:",
                                  "TCF:",
                                  "TFF:",
                                  "TFI:",
                                  "TFN:",
                                  "Alíquota 00:",
                                  "Valor:",
                                  "Totalizador desta alíquota:",
                                  "Montante do imposto debitado:",
                                  "Alíquota 01:",
                                  "Alíquota 02:",
                                  "Alíquota 03:",
                                  "Alíquota 04:",
                                  "Alíquota 05:",
                                  "Alíquota 06:",
                                  "Alíquota 07:",
                                  "Alíquota 08:",
                                  "Alíquota 09:",
                                  "NSQNFI:",
                                  "NSQNFF:",
                                  "CFCNF:",
                                  "TSA:",
                                  "TEN:",
                                  "TSE:",
                                  "TRE:",
                                  "TFCNF:",
                                  "TFDNF:",
                                  "TFANF:",
                                  "Tempo cupom:",
                                  "Tempo total:"};
    ASSERT_EQ(captions.size(), 38);
    for (int n = 1; n <= 38; ++n) {
        EXPECT_EQ(control<QLabel>(kForm, QStringLiteral("Label%1").arg(n))->text(), captions[n - 1])
            << n;
    }
    EXPECT_EQ(window->findChildren<QLabel*>().size(), 38);
    EXPECT_EQ(window->findChildren<QLineEdit*>().size(), 55);
    for (int n = 1; n <= 55; ++n) {
        EXPECT_TRUE(control<QLineEdit>(kForm, QStringLiteral("Edit%1").arg(n))->isReadOnly()) << n;
    }
    EXPECT_EQ(fields(), empty(55));
}

TEST_F(SerialXReadingWindow, FullReplyFillsEveryFieldInOrderBlanksIncluded) {
    const QByteArray reply = readingReply();
    ASSERT_EQ(reply.size(), 744);
    driver.setReply("ecfLeituraXSerial", reply);

    // The fields fill in the order of their numbers.
    QStringList order;
    for (int n = 1; n <= 55; ++n) {
        auto* edit = control<QLineEdit>(kForm, QStringLiteral("Edit%1").arg(n));
        QObject::connect(edit, &QLineEdit::textChanged,
                         [&order, n](const QString&) { order.append(QString::number(n)); });
    }
    trigger(kMenuItem);

    EXPECT_EQ(log.events(), QStringList{kReading});
    EXPECT_TRUE(form(kForm)->isVisible());
    EXPECT_EQ(activeForm(), form(kForm));
    EXPECT_EQ(fields(), readingFields());
    EXPECT_EQ(fields().last(), QString::fromLatin1(reply.right(9)));
    QStringList numbers;
    for (int n = 1; n <= 55; ++n) {
        numbers.append(QString::number(n));
    }
    EXPECT_EQ(order, numbers);
}

TEST_F(SerialXReadingWindow, TaxRateRowsComeInBlocksOfFortyOneCharacters) {
    const QByteArray reply = readingReply();
    openOn(reply);
    for (int row = 0; row < 10; ++row) {
        const int start = 172 + 41 * row;  // 0-based start of the row
        const int edit = 14 + 3 * row;
        EXPECT_EQ(fields()[edit - 1], QString::fromLatin1(reply.mid(start, 5))) << row;
        EXPECT_EQ(fields()[edit], QString::fromLatin1(reply.mid(start + 5, 18))) << row;
        EXPECT_EQ(fields()[edit + 1], QString::fromLatin1(reply.mid(start + 23, 18))) << row;
    }
}

struct ShortReply {
    const char* name;
    int length;
    int wholeFields;  // fields that the reply holds completely
};

class ShortReplies : public SerialXReadingWindow,
                     public ::testing::WithParamInterface<ShortReply> {};

TEST_P(ShortReplies, FillTheFieldsUpToTheEndAndLeaveTheRestEmpty) {
    const ShortReply row = GetParam();
    openOn(readingReply().left(row.length));
    const QStringList all = readingFields();
    const QStringList shown = fields();
    int used = 0;
    for (int i = 0; i < 55; ++i) {
        const int length = all[i].size();
        if (i < row.wholeFields) {
            EXPECT_EQ(shown[i], all[i]) << "field " << i + 1;
        } else if (used < row.length) {
            EXPECT_EQ(shown[i], all[i].left(row.length - used)) << "field " << i + 1;
        } else {
            EXPECT_EQ(shown[i], QString()) << "field " << i + 1;
        }
        used += length;
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, ShortReplies,
                         ::testing::Values(ShortReply{"CountersOnly", 172, 13},
                                           ShortReply{"EndsInsideTaxRow3", 310, 23},
                                           ShortReply{"EndsInsideTheLastTime", 740, 54},
                                           ShortReply{"Empty", 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SerialXReadingWindow, CharactersAfterPosition744AreNotRead) {
    openOn(readingReply() + "EXTRA");
    EXPECT_EQ(fields(), readingFields());
}

TEST_F(SerialXReadingWindow, ErrorTextIsCutLikeAReadingWithoutAMessage) {
    openOn("Erro: 079 Impressora nao responde");
    QStringList expected = empty(55);
    expected[0] = "Erro";
    expected[1] = ": 079 Im";
    expected[2] = "pres";
    expected[3] = "sora n";
    expected[4] = "ao res";
    expected[5] = "ponde";
    EXPECT_EQ(fields(), expected);
    EXPECT_TRUE(dialogs.boxes().isEmpty());
}

TEST_F(SerialXReadingWindow, EveryActivationAsksForANewReadingAndOverwritesTheFields) {
    const QByteArray second = QByteArray(744, '7');
    driver.queueReplies("ecfLeituraXSerial", {readingReply(), second});
    trigger(kMenuItem);
    // The operator goes to the main window and back.
    ActivationTracker::instance().formClicked(form("frmMain"));
    ActivationTracker::instance().formClicked(form(kForm));
    EXPECT_EQ(driver.callsOf("ecfLeituraXSerial"), (QStringList{kReading, kReading}));
    EXPECT_EQ(fields().first(), "7777");
    EXPECT_EQ(fields().last(), "777777777");
}

TEST_F(SerialXReadingWindow, OkClearsTheFieldsThenCloses) {
    openOn(readingReply());
    // The main window, active again, finds the fields already empty.
    QStringList atMainActivation;
    driver.onCall("ecfStatusImp", [&] { atMainActivation = fields(); });
    log.clear();
    click(kForm, "Button2");
    EXPECT_EQ(log.events(), QStringList{"ecfStatusImp()"});
    EXPECT_EQ(atMainActivation, empty(55));
    EXPECT_EQ(fields(), empty(55));
    EXPECT_FALSE(form(kForm)->isVisible());
    EXPECT_EQ(activeForm(), form("frmMain"));
}

TEST_F(SerialXReadingWindow, EnterPressesOk) {
    openOn(readingReply());
    pressEnter(kForm);
    EXPECT_EQ(fields(), empty(55));
    EXPECT_FALSE(form(kForm)->isVisible());
}

TEST_F(SerialXReadingWindow, CloseBoxKeepsTheLastReadingUntilTheNextActivation) {
    openOn(readingReply());
    form(kForm)->close();
    EXPECT_FALSE(form(kForm)->isVisible());
    EXPECT_EQ(fields(), readingFields());

    driver.setReply("ecfLeituraXSerial", QByteArray(744, '1'));
    trigger(kMenuItem);
    EXPECT_EQ(fields().first(), "1111");
}
