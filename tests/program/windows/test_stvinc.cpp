// The pending linked coupons window: seven lines per record, a blank line
// before every record read on a tick, and the progress of the search.
#include "support/app_fixture.h"
#include "toolkit/tform.h"
#include "toolkit/trichedit.h"
#include "toolkit/ttimer.h"

#include <QLabel>
#include <QProgressBar>

namespace {

const QString kForm = QStringLiteral("stvincs");
const QString kMenuItem = QStringLiteral("StatusdosCNFvinculados1");

QString blanks(int count) {
    return QString(count, QLatin1Char(' '));
}

// Pending, linked to payment position 02, 50,00 paid and 20,00 covered,
// coupon 000123, one voucher issued, the last one 000124.
const QByteArray kPendingCard = QByteArray("S02") + QByteArray(15, ' ') + "50,00" +
                                QByteArray(15, ' ') + "20,00" + "000123" + "01" + "000124";

QStringList pendingCardLines(int record) {
    return {
        QString::fromUtf8("POSIÇÃO: ") + QString::number(record) + blanks(10) + " Pendente? S",
        QString::fromUtf8("Posição ao qual está vinculado: 02"),
        QString::fromUtf8("Valor da operação: ") + blanks(15) + "50,00",
        QString::fromUtf8("Valor da transação: ") + blanks(15) + "20,00",
        QString::fromUtf8("COO do cupom ao qual está vinculado: 000123"),
        "Cupom emitido: 01",
        "COO do CNF vinculado emitido: 000124",
    };
}

}  // namespace

class PendingLinkedCoupons : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
        driver.setReply("ecfStatusVincs", kPendingCard);
    }
    TTimer* timer() const { return control<TTimer>(kForm, "Timer1"); }
    TRichEdit* panel() const { return control<TRichEdit>(kForm, "RichEdit1"); }
    QStringList lines() const { return panel()->lines(); }
    QProgressBar* bar() const { return control<QProgressBar>(kForm, "ProgressBar1"); }
    void runToTheEnd() {
        for (int i = 0; i < 19; ++i) {
            timer()->fire();
        }
    }
};

TEST_F(PendingLinkedCoupons, Layout) {
    EXPECT_EQ(control<QLabel>(kForm, "Label1")->text(), "Andamento da pesquisa:");
    EXPECT_EQ(bar()->minimum(), 0);
    EXPECT_EQ(bar()->maximum(), 100);
    EXPECT_EQ(bar()->value(), 0);
    EXPECT_EQ(control<QAbstractButton>(kForm, "Button1")->text(), "Fechar");
    EXPECT_TRUE(panel()->font().bold());
    EXPECT_EQ(panel()->font().family(), "Sans Serif");
    EXPECT_TRUE(lines().isEmpty());
    // The selection keeps its colours when the panel loses the focus.
    const QPalette colours = panel()->palette();
    EXPECT_EQ(colours.color(QPalette::Inactive, QPalette::Highlight),
              colours.color(QPalette::Active, QPalette::Highlight));
}

TEST_F(PendingLinkedCoupons, EveryRecordReadWellEndsAtNinetyFive) {
    trigger(kMenuItem);
    EXPECT_EQ(lines(), pendingCardLines(0));
    EXPECT_EQ(bar()->value(), 0);
    timer()->fire();
    EXPECT_EQ(bar()->value(), 5);
    runToTheEnd();

    QStringList expected = pendingCardLines(0);
    for (int record = 1; record <= 19; ++record) {
        expected << " " << pendingCardLines(record);
    }
    EXPECT_EQ(lines(), expected);
    EXPECT_EQ(bar()->value(), 95);
    EXPECT_FALSE(timer()->isEnabled());
    EXPECT_EQ(driver.callsOf("ecfStatusVincs").last(), "ecfStatusVincs(19)");
}

TEST_F(PendingLinkedCoupons, RecordsFiveAndSixFailingEndAtEightyFive) {
    QList<QByteArray> replies(5, kPendingCard);
    replies << "Erro: 079"
            << "Erro: 080";
    driver.queueReplies("ecfStatusVincs", replies);
    dialogs.acknowledge(2);
    trigger(kMenuItem);
    QList<int> barAtBox;
    dialogs.onBox([&](const RecordedBox&) { barAtBox.append(bar()->value()); });
    runToTheEnd();

    EXPECT_EQ(bar()->value(), 85);
    EXPECT_EQ(barAtBox, (QList<int>{20, 20}));
    const QStringList panel = lines();
    // Records 0 to 4 come first: 7 lines, then 8 lines for each of 1 to 4.
    const int afterRecord4 = 7 + 4 * 8;
    ASSERT_GT(panel.size(), afterRecord4 + 3);
    EXPECT_EQ(panel.mid(afterRecord4 - 7, 7), pendingCardLines(4));
    EXPECT_EQ(panel[afterRecord4], QString::fromUtf8("Ocorreu o erro de número 079"));
    EXPECT_EQ(panel[afterRecord4 + 1], QString::fromUtf8("Ocorreu o erro de número 080"));
    EXPECT_EQ(panel[afterRecord4 + 2], " ");
    EXPECT_EQ(panel.mid(afterRecord4 + 3, 7), pendingCardLines(7));
    EXPECT_EQ(panel.size(), 7 + 17 * 8 + 2);
}

TEST_F(PendingLinkedCoupons, FailingRecordZeroNeitherMovesTheBarNorGetsABlankLine) {
    driver.queueReplies("ecfStatusVincs", {"Erro: 079"});
    dialogs.acknowledge();
    trigger(kMenuItem);
    EXPECT_EQ(lines(), QStringList{QString::fromUtf8("Ocorreu o erro de número 079")});
    EXPECT_EQ(bar()->value(), 0);
    timer()->fire();
    EXPECT_EQ(lines().mid(1), QStringList{" "} + pendingCardLines(1));
    EXPECT_EQ(bar()->value(), 5);
}

TEST_F(PendingLinkedCoupons, ActivatingAgainResetsTheBarAndThePanel) {
    trigger(kMenuItem);
    for (int i = 0; i < 6; ++i) {
        timer()->fire();
    }
    EXPECT_EQ(bar()->value(), 30);
    trigger("DadossobreoECF1");  // another window of the program takes over
    EXPECT_TRUE(timer()->isEnabled());
    driver.clearCalls();
    trigger(kMenuItem);
    EXPECT_EQ(driver.callsOf("ecfStatusVincs"), QStringList{"ecfStatusVincs(0)"});
    EXPECT_EQ(bar()->value(), 0);
    EXPECT_EQ(lines(), pendingCardLines(0));
    runToTheEnd();
    EXPECT_EQ(bar()->value(), 95);
}

TEST_F(PendingLinkedCoupons, CloseBoxHidesTheWindowAndTheListingGoesOn) {
    trigger(kMenuItem);
    timer()->fire();
    form(kForm)->close();
    EXPECT_FALSE(form(kForm)->isVisible());
    EXPECT_TRUE(timer()->isEnabled());
    runToTheEnd();
    EXPECT_EQ(driver.callsOf("ecfStatusVincs").size(), 20);
    EXPECT_EQ(bar()->value(), 95);
}

TEST_F(PendingLinkedCoupons, ShortAndNullRecordsShowTheirFieldsShortOrEmpty) {
    driver.queueReplies("ecfStatusVincs", {kPendingCard.left(46), QByteArray()});
    trigger(kMenuItem);
    timer()->fire();
    EXPECT_EQ(lines(), (QStringList{
                           QString::fromUtf8("POSIÇÃO: 0") + blanks(10) + " Pendente? S",
                           QString::fromUtf8("Posição ao qual está vinculado: 02"),
                           QString::fromUtf8("Valor da operação: ") + blanks(15) + "50,00",
                           QString::fromUtf8("Valor da transação: ") + blanks(15) + "20,00",
                           QString::fromUtf8("COO do cupom ao qual está vinculado: 000"),
                           "Cupom emitido: ",
                           "COO do CNF vinculado emitido: ",
                           " ",
                           QString::fromUtf8("POSIÇÃO: 1") + blanks(10) + " Pendente? ",
                           QString::fromUtf8("Posição ao qual está vinculado: "),
                           QString::fromUtf8("Valor da operação: "),
                           QString::fromUtf8("Valor da transação: "),
                           QString::fromUtf8("COO do cupom ao qual está vinculado: "),
                           "Cupom emitido: ",
                           "COO do CNF vinculado emitido: ",
                       }));
    EXPECT_EQ(bar()->value(), 5);
}
