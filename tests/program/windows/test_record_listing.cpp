// The record-by-record listing shared by the tax-rate, payment-type,
// non-fiscal document and pending linked coupon windows: one record at
// activation, one per tick up to the last record number, failure replies
// shown in a box and then as a line, restarts at every activation, and a
// listing that runs on behind a closed window.
#include "support/app_fixture.h"
#include "toolkit/activation.h"
#include "toolkit/tform.h"
#include "toolkit/trichedit.h"
#include "toolkit/ttimer.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>

namespace {

struct ListingCase {
    const char* name;
    const char* form;
    const char* menuItem;
    const char* function;
    const char* caption;
    TForm::Border border;
    int lastRecord;
    int interval;
    const char* initialText;
    bool okIsDefault;
    // Lines before record 0 when it reads well, lines of a good record, and
    // lines put before each later good record.
    int headingLines;
    int linesPerRecord;
    int linesBeforeLater;

    friend void PrintTo(const ListingCase& listing, std::ostream* out) { *out << listing.form; }
};

const ListingCase kCases[] = {
    {"TaxRates", "Form1", "Statusdasalquotas3001", "ecfStatusAliquotas",
     "Status das alíquotas cadastradas", TForm::Border::SingleNoIcons, 15, 500, "RichEdit1", true,
     2, 1, 0},
    {"PaymentTypes", "statpay", "Statusdasformasdepagamento1", "ecfStatusPayTypes",
     "Status das formas de pagamento", TForm::Border::SingleNoIcons, 19, 500, "RichEdit1", false, 0,
     3, 0},
    {"NonFiscalDocuments", "statnfs", "StatusdoscomprovantesNFs1", "ecfStatusDocsNFs",
     "Status dos documentos não fiscais programados", TForm::Border::SingleNoIcons, 15, 1000,
     "RichEdit1", true, 0, 7, 0},
    {"PendingLinkedCoupons", "stvincs", "StatusdosCNFvinculados1", "ecfStatusVincs",
     "Status de cupons vinculados pendentes", TForm::Border::SingleDialog, 19, 1000, "", true, 0, 7,
     1},
};

// A record long enough for every window's fields.
const QByteArray kRecord = QByteArray("1S") + QByteArray(140, '7');

QString failureLine(const char* number) {
    return QString::fromUtf8("Ocorreu o erro de número ") + QLatin1String(number);
}

}  // namespace

class RecordListingWindow : public AppFixture, public ::testing::WithParamInterface<ListingCase> {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
        driver.setReply(fn(), kRecord);
    }

    const ListingCase& c() const { return GetParam(); }
    QString formName() const { return QString::fromLatin1(c().form); }
    QString fn() const { return QString::fromLatin1(c().function); }
    QString call(int record) const { return QStringLiteral("%1(%2)").arg(fn()).arg(record); }
    TTimer* timer() const { return control<TTimer>(formName(), "Timer1"); }
    TRichEdit* panel() const { return control<TRichEdit>(formName(), "RichEdit1"); }
    QStringList lines() const { return panel()->lines(); }
    void open() { trigger(QString::fromLatin1(c().menuItem)); }
    void ticks(int count) {
        for (int i = 0; i < count; ++i) {
            timer()->fire();
        }
    }
    // The panel after a listing whose records all read well.
    int linesOfGoodListing() const {
        return c().headingLines + (c().lastRecord + 1) * c().linesPerRecord +
               c().lastRecord * c().linesBeforeLater;
    }
};

TEST_P(RecordListingWindow, LayoutAtStartUp) {
    TForm* window = form(formName());
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8(c().caption));
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->border(), c().border);
    EXPECT_EQ(timer()->interval(), c().interval);
    EXPECT_FALSE(timer()->isEnabled());
    EXPECT_TRUE(panel()->isReadOnly());
    EXPECT_EQ(panel()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(panel()->toPlainText(), QString::fromLatin1(c().initialText));
    auto* ok = control<QAbstractButton>(formName(), "Button1");
    EXPECT_EQ(window->defaultButton() == ok, c().okIsDefault);
    EXPECT_TRUE(driver.calls().isEmpty());
}

TEST_P(RecordListingWindow, ReadsEveryRecordOnceInOrderAndStopsAtTheLast) {
    open();
    EXPECT_EQ(log.events(), QStringList{call(0)});
    EXPECT_TRUE(timer()->isEnabled());
    EXPECT_EQ(lines().size(), c().headingLines + c().linesPerRecord);

    ticks(c().lastRecord - 1);
    EXPECT_TRUE(timer()->isEnabled());
    ticks(1);
    EXPECT_FALSE(timer()->isEnabled());

    QStringList expected;
    for (int record = 0; record <= c().lastRecord; ++record) {
        expected.append(call(record));
    }
    EXPECT_EQ(log.events(), expected);
    EXPECT_EQ(lines().size(), linesOfGoodListing());
    EXPECT_TRUE(dialogs.boxes().isEmpty());

    // A stopped timer reads nothing more.
    ticks(3);
    EXPECT_EQ(driver.calls().size(), c().lastRecord + 1);
    EXPECT_EQ(activeForm(), form(formName()));
}

TEST_P(RecordListingWindow, FailingRecordZeroGivesNoHeadingAndTheListingGoesOn) {
    driver.queueReplies(fn(), {"Erro: 079 Impressora nao responde"});
    dialogs.acknowledge();
    open();
    EXPECT_EQ(log.events(), (QStringList{call(0), "message: " + failureLine("079")}));
    EXPECT_EQ(dialogs.boxes().first().caption, "WIN_ECF");
    EXPECT_EQ(lines(), QStringList{failureLine("079")});
    EXPECT_TRUE(timer()->isEnabled());

    ticks(1);
    EXPECT_EQ(driver.calls().last(), call(1));
    // The heading never comes, whatever record 1 holds.
    EXPECT_EQ(lines().size(), 1 + c().linesBeforeLater + c().linesPerRecord);
    EXPECT_EQ(lines().first(), failureLine("079"));
}

TEST_P(RecordListingWindow, EveryRecordFailingGivesOneBoxAndOneLineEach) {
    driver.setReply(fn(), "Erro: 002 Valor fora da faixa");
    const int records = c().lastRecord + 1;
    dialogs.acknowledge(records);
    // Each box is up before its line is in the panel.
    QList<int> linesAtBox;
    dialogs.onBox([&](const RecordedBox&) { linesAtBox.append(lines().size()); });
    open();
    ticks(c().lastRecord);

    QStringList expectedEvents;
    QList<int> expectedLinesAtBox;
    for (int record = 0; record < records; ++record) {
        expectedEvents << call(record) << "message: " + failureLine("002");
        expectedLinesAtBox << record;
    }
    EXPECT_EQ(log.events(), expectedEvents);
    EXPECT_EQ(linesAtBox, expectedLinesAtBox);
    EXPECT_EQ(lines(), QStringList(records, failureLine("002")));
    EXPECT_FALSE(timer()->isEnabled());
}

TEST_P(RecordListingWindow, AnyReplyHoldingErroIsAFailureOthersAreRecords) {
    // "Erro" anywhere, in exact case; the number is characters 7 to 9 as
    // they stand.
    driver.queueReplies(fn(), {"ABCDEF12xErro", "erro: 005", "ERRO: 006"});
    dialogs.acknowledge();
    open();
    EXPECT_EQ(lines(), QStringList{failureLine("12x")});
    ticks(2);
    EXPECT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(lines().size(), 1 + 2 * (c().linesBeforeLater + c().linesPerRecord));
}

TEST_P(RecordListingWindow, NullReplyIsAnEmptyRecordNotAFailure) {
    driver.setReply(fn(), QByteArray());
    open();
    ticks(c().lastRecord);
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    EXPECT_EQ(lines().size(), linesOfGoodListing());
    EXPECT_FALSE(timer()->isEnabled());
}

TEST_P(RecordListingWindow, ActivatingAgainMidListingStartsOverAtRecordZero) {
    open();
    ticks(4);
    // The operator goes to the main window and comes back.
    ActivationTracker::instance().formClicked(form("frmMain"));
    EXPECT_TRUE(timer()->isEnabled());
    log.clear();
    ActivationTracker::instance().formClicked(form(formName()));
    EXPECT_EQ(log.events(), QStringList{call(0)});
    EXPECT_EQ(lines().size(), c().headingLines + c().linesPerRecord);
    EXPECT_TRUE(timer()->isEnabled());

    // The new listing runs its full course from there.
    log.clear();
    ticks(c().lastRecord);
    EXPECT_EQ(log.events().first(), call(1));
    EXPECT_EQ(log.events().last(), call(c().lastRecord));
    EXPECT_EQ(log.events().size(), c().lastRecord);
    EXPECT_FALSE(timer()->isEnabled());
    EXPECT_EQ(lines().size(), linesOfGoodListing());
}

TEST_P(RecordListingWindow, ClosedWindowListsOnToItsLastRecordWithItsMessages) {
    open();
    ticks(2);
    click(formName(), "Button1");
    EXPECT_FALSE(form(formName())->isVisible());
    EXPECT_EQ(activeForm(), form("frmMain"));
    EXPECT_TRUE(timer()->isEnabled());

    log.clear();
    driver.queueReplies(fn(), {kRecord, "Erro: 079"});
    dialogs.acknowledge();
    ticks(c().lastRecord - 2);
    EXPECT_EQ(log.events().mid(0, 3),
              (QStringList{call(3), call(4), "message: " + failureLine("079")}));
    EXPECT_EQ(log.events().last(), call(c().lastRecord));
    EXPECT_FALSE(timer()->isEnabled());
    EXPECT_FALSE(form(formName())->isVisible());
    EXPECT_EQ(lines().size(), linesOfGoodListing() - c().linesPerRecord - c().linesBeforeLater + 1);

    // Shown again: a new listing.
    log.clear();
    open();
    EXPECT_EQ(log.events(), QStringList{call(0)});
    EXPECT_TRUE(timer()->isEnabled());
}

TEST_P(RecordListingWindow, TicksWhileAFailureBoxIsOpenAreLetGo) {
    open();
    ticks(3);
    ActivationTracker::instance().formClicked(form("frmMain"));
    driver.clearCalls();
    // Back to the window while its listing runs: record 0 fails, and the
    // running timer ticks three times under the box.
    driver.queueReplies(fn(), {"Erro: 079"});
    QStringList callsDuringBox;
    bool enabledDuringBox = false;
    dialogs.onBox([&](const RecordedBox&) {
        ticks(3);
        callsDuringBox = driver.calls();
        enabledDuringBox = timer()->isEnabled();
    });
    dialogs.acknowledge();
    ActivationTracker::instance().formClicked(form(formName()));
    EXPECT_EQ(callsDuringBox, QStringList{call(0)});
    EXPECT_TRUE(enabledDuringBox);
    EXPECT_EQ(lines(), QStringList{failureLine("079")});
    dialogs.onBox({});
    ticks(1);
    EXPECT_EQ(driver.calls(), (QStringList{call(0), call(1)}));
}

TEST_P(RecordListingWindow, PanelIsSetToTenPointsForEveryRecord) {
    panel()->setFontSize(14);
    open();
    EXPECT_EQ(panel()->font().pointSize(), 10);
    panel()->setFontSize(14);
    ticks(1);
    EXPECT_EQ(panel()->font().pointSize(), 10);
}

// The real message box over the real timer. The toolkit never runs a
// timer's tick inside that same tick's box, but a box raised by an
// activation is open while the timer of a listing already running goes on
// ticking: those ticks are let go, so no second box stacks on the first and
// the lines keep the records' order.
TEST_P(RecordListingWindow, RealBoxesOverRealTicksKeepTheRecordsInOrder) {
    open();
    ticks(2);
    ActivationTracker::instance().formClicked(form("frmMain"));
    ASSERT_TRUE(timer()->isEnabled());

    QList<QByteArray> replies{"Erro: 100", "Erro: 101", "Erro: 102"};
    for (int record = 3; record < c().lastRecord; ++record) {
        replies.append(kRecord);
    }
    replies.append("Erro: 199");
    driver.queueReplies(fn(), replies);
    driver.clearCalls();

    QtDialogs realDialogs;
    setDialogs(&realDialogs);
    int mostBoxesOpen = 0;
    int boxesClosed = 0;
    QPointer<QMessageBox> current;
    int closerTicks = 0;
    QTimer closer;
    closer.setInterval(5);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        int open = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMessageBox*>(w) && w->isVisible()) {
                ++open;
            }
        }
        mostBoxesOpen = std::max(mostBoxesOpen, open);
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            return;
        }
        // Several ticks of the listing's timer pass under each box.
        if (box != current) {
            current = box;
            closerTicks = 0;
        } else if (++closerTicks == 8) {
            box->accept();
            ++boxesClosed;
        }
    });
    timer()->setInterval(2);
    closer.start();
    // Back to the window: record 0 fails at once, under a running timer.
    ActivationTracker::instance().formClicked(form(formName()));
    QEventLoop settle;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!timer()->isEnabled()) {
            settle.quit();
        }
    });
    watch.start();
    QTimer::singleShot(10000, &settle, &QEventLoop::quit);
    settle.exec();
    closer.stop();
    setDialogs(&dialogs);

    EXPECT_FALSE(timer()->isEnabled());
    EXPECT_EQ(boxesClosed, 4);
    EXPECT_EQ(mostBoxesOpen, 1);
    QStringList expectedCalls;
    for (int record = 0; record <= c().lastRecord; ++record) {
        expectedCalls.append(call(record));
    }
    EXPECT_EQ(driver.callsOf(fn()), expectedCalls);
    const QStringList panelLines = lines();
    ASSERT_EQ(panelLines.size(),
              4 + (c().lastRecord - 3) * (c().linesBeforeLater + c().linesPerRecord));
    EXPECT_EQ(panelLines.mid(0, 3),
              (QStringList{failureLine("100"), failureLine("101"), failureLine("102")}));
    EXPECT_EQ(panelLines.last(), failureLine("199"));
}

INSTANTIATE_TEST_SUITE_P(Windows, RecordListingWindow, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });
