// The non-fiscal document status window: seven lines per voucher, every
// field as received, at one record a second.
#include "support/app_fixture.h"
#include "toolkit/tform.h"
#include "toolkit/trichedit.h"
#include "toolkit/ttimer.h"

namespace {

const QString kForm = QStringLiteral("statnfs");
const QString kMenuItem = QStringLiteral("StatusdoscomprovantesNFs1");

QString blanks(int count) {
    return QString(count, QLatin1Char(' '));
}

QByteArray rightAligned(const QByteArray& text, int width) {
    return QByteArray(width - text.size(), ' ') + text;
}

// "Comprovante cartao": active, no discount, surcharge, cancellation, no
// payment required, linked to position 02; 12 coupons, 1 cancelled; sales
// 1.500,00, surcharges 10,00, discounts 5,50, cancellations 20,00.
const QByteArray kCardVoucher = QByteArray("1S") + "Comprovante cartao  " + "NSSNS" + "02" +
                                "000012" + "000001" + rightAligned("1.500,00", 18) +
                                rightAligned("10,00", 18) + rightAligned("5,50", 18) +
                                rightAligned("20,00", 18);

QStringList cardVoucherLines(int record) {
    return {
        QString::number(record) + ")" + blanks(4) +
            QString::fromUtf8("Título: Comprovante cartao") + blanks(7) + "Ativo?" + blanks(3) +
            "S",
        "Permite Desconto?  N" + blanks(6) + QString::fromUtf8("Permite Acréscimo?  S"),
        "Permite Cancelamento?  S" + blanks(6) + "Obriga pagamento?  N",
        QString::fromUtf8("É vinculado?   S") + blanks(8) + QString::fromUtf8("Vínculo:  02") +
            blanks(8) + "Cupons NF:  000012" + blanks(8) + "Cupons NF Canc.:  000001",
        "Venda NF: " + blanks(10) + "1.500,00" + blanks(5) + "Acre. NF: " + blanks(13) + "10,00",
        "Desc. NF: " + blanks(14) + "5,50" + blanks(5) + "Canc. NF: " + blanks(13) + "20,00",
        "  ",
    };
}

}  // namespace

class NonFiscalDocumentStatus : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
    }
    TTimer* timer() const { return control<TTimer>(kForm, "Timer1"); }
    QStringList lines() const { return control<TRichEdit>(kForm, "RichEdit1")->lines(); }
};

TEST_F(NonFiscalDocumentStatus, FullRecordFillsEveryFieldInItsSevenLines) {
    ASSERT_EQ(kCardVoucher.size(), 113);
    driver.setReply("ecfStatusDocsNFs", kCardVoucher + "tail not read");
    trigger(kMenuItem);
    EXPECT_EQ(lines(), cardVoucherLines(0));
    timer()->fire();
    EXPECT_EQ(lines(), cardVoucherLines(0) + cardVoucherLines(1));
}

TEST_F(NonFiscalDocumentStatus, ShortRecordLeavesTheFieldsPastItsEndShortOrEmpty) {
    // Up to the middle of the coupon count.
    driver.setReply("ecfStatusDocsNFs", kCardVoucher.left(32));
    trigger(kMenuItem);
    EXPECT_EQ(
        lines(),
        (QStringList{
            "0)" + blanks(4) + QString::fromUtf8("Título: Comprovante cartao") + blanks(7) +
                "Ativo?" + blanks(3) + "S",
            "Permite Desconto?  N" + blanks(6) + QString::fromUtf8("Permite Acréscimo?  S"),
            "Permite Cancelamento?  S" + blanks(6) + "Obriga pagamento?  N",
            QString::fromUtf8("É vinculado?   S") + blanks(8) + QString::fromUtf8("Vínculo:  02") +
                blanks(8) + "Cupons NF:  000" + blanks(8) + "Cupons NF Canc.:  ",
            "Venda NF: " + blanks(5) + "Acre. NF: ",
            "Desc. NF: " + blanks(5) + "Canc. NF: ",
            "  ",
        }));
}

TEST_F(NonFiscalDocumentStatus, OneRecordASecondSixteenInAll) {
    driver.setReply("ecfStatusDocsNFs", kCardVoucher);
    trigger(kMenuItem);
    EXPECT_EQ(timer()->interval(), 1000);
    EXPECT_TRUE(timer()->isActive());
    for (int i = 0; i < 15; ++i) {
        timer()->fire();
    }
    EXPECT_FALSE(timer()->isEnabled());
    EXPECT_EQ(driver.callsOf("ecfStatusDocsNFs").size(), 16);
    EXPECT_EQ(lines().size(), 16 * 7);
    EXPECT_EQ(lines().mid(15 * 7), cardVoucherLines(15));
}

TEST_F(NonFiscalDocumentStatus, FailingRecordGivesOneLineAndNoSeparator) {
    driver.queueReplies("ecfStatusDocsNFs", {"Erro: 079 Impressora nao responde", kCardVoucher});
    dialogs.acknowledge();
    trigger(kMenuItem);
    timer()->fire();
    EXPECT_EQ(lines(),
              QStringList{QString::fromUtf8("Ocorreu o erro de número 079")} + cardVoucherLines(1));
}
