// The payment-type status window: three lines per payment type, a single
// line for a failing one, and positions 0 to 19 only.
#include "support/app_fixture.h"
#include "toolkit/tform.h"
#include "toolkit/trichedit.h"
#include "toolkit/ttimer.h"

namespace {

const QString kForm = QStringLiteral("statpay");
const QString kMenuItem = QStringLiteral("Statusdasformasdepagamento1");

QString blanks(int count) {
    return QString(count, QLatin1Char(' '));
}

// Programmed, active, not linked, "Dinheiro", 1.250,00 in the day.
const QByteArray kCash =
    QByteArray("1SNDinheiro") + QByteArray(12, ' ') + "|" + QByteArray(12, ' ') + "1.250,00";

const QStringList kCashLines = {
    QString::fromUtf8("0)   Título: Dinheiro") + blanks(12),
    "Ativado?  S         Vinculado? N         Total: " + blanks(12) + "1.250,00",
    "   ",
};

}  // namespace

class PaymentTypeStatus : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
    }
    TTimer* timer() const { return control<TTimer>(kForm, "Timer1"); }
    QStringList lines() const { return control<TRichEdit>(kForm, "RichEdit1")->lines(); }
};

TEST_F(PaymentTypeStatus, TitleFlagsAndTotalThenASeparator) {
    driver.queueReplies("ecfStatusPayTypes", {kCash});
    trigger(kMenuItem);
    EXPECT_EQ(lines(), kCashLines);
    EXPECT_EQ(kCashLines[1].size(), 10 + 1 + 20 + 1 + 16 + 20);
}

TEST_F(PaymentTypeStatus, FailingRecordGivesOneLineAndNoSeparator) {
    driver.queueReplies("ecfStatusPayTypes", {kCash, "Erro: 004"});
    driver.setReply("ecfStatusPayTypes",
                    "0NNCheque" + QByteArray(14, ' ') + " " + QByteArray(16, ' ') + "0,00");
    dialogs.acknowledge();
    trigger(kMenuItem);
    timer()->fire();
    timer()->fire();
    EXPECT_EQ(lines(), (QStringList{
                           kCashLines[0],
                           kCashLines[1],
                           kCashLines[2],
                           QString::fromUtf8("Ocorreu o erro de número 004"),
                           QString::fromUtf8("2)   Título: Cheque") + blanks(14),
                           "Ativado?  N         Vinculado? N         Total: " + blanks(16) + "0,00",
                           "   ",
                       }));
}

TEST_F(PaymentTypeStatus, PositionTwentyIsNeverRequested) {
    driver.setReply("ecfStatusPayTypes", kCash);
    trigger(kMenuItem);
    for (int i = 0; i < 25; ++i) {
        timer()->fire();
    }
    const QStringList calls = driver.callsOf("ecfStatusPayTypes");
    ASSERT_EQ(calls.size(), 20);
    EXPECT_EQ(calls.last(), "ecfStatusPayTypes(19)");
    EXPECT_FALSE(calls.contains("ecfStatusPayTypes(20)"));
    EXPECT_FALSE(timer()->isEnabled());
    EXPECT_EQ(lines().size(), 60);
    EXPECT_EQ(lines()[57], QString::fromUtf8("19)   Título: Dinheiro") + blanks(12));
}

TEST_F(PaymentTypeStatus, ShortRecordShowsItsTotalShortenedOrEmpty) {
    driver.queueReplies("ecfStatusPayTypes", {kCash.left(40), kCash.left(23)});
    trigger(kMenuItem);
    timer()->fire();
    const QStringList panel = lines();
    ASSERT_EQ(panel.size(), 6);
    EXPECT_EQ(panel[1], "Ativado?  S         Vinculado? N         Total: " + blanks(12) + "1.25");
    EXPECT_EQ(panel[4], "Ativado?  S         Vinculado? N         Total: ");
    EXPECT_EQ(panel[3], QString::fromUtf8("1)   Título: Dinheiro") + blanks(12));
}

TEST_F(PaymentTypeStatus, OkIsNotTheDefaultButtonAndClosingKeepsTheListingGoing) {
    EXPECT_EQ(form(kForm)->defaultButton(), nullptr);
    EXPECT_EQ(control<QAbstractButton>(kForm, "Button1")->text(), "OK");
    driver.setReply("ecfStatusPayTypes", kCash);
    trigger(kMenuItem);
    click(kForm, "Button1");
    EXPECT_FALSE(form(kForm)->isVisible());
    EXPECT_TRUE(timer()->isEnabled());
}
