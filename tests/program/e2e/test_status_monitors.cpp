// The status monitors on the emulated printer: the record-by-record
// listings run to their last record, and the one-query windows, each
// cutting the printer's real replies where the printer puts its fields.
#include "e2e/e2e_fixture.h"
#include "toolkit/tform.h"
#include "toolkit/trichedit.h"
#include "toolkit/ttimer.h"

#include <QLineEdit>
#include <QProgressBar>

namespace {

QString blanks(int count) {
    return QString(count, QLatin1Char(' '));
}

QString rightAligned(const QString& text, int width) {
    return blanks(width - text.size()) + text;
}

}  // namespace

class StatusMonitors : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        startApplication();
    }

    // Shows the window and lets its timer run the listing to the end.
    QStringList listing(const char* menuItem, const char* formName) {
        trigger(menuItem);
        auto* timer = control<TTimer>(formName, "Timer1");
        for (int tick = 0; tick < 40 && timer && timer->isEnabled(); ++tick) {
            timer->fire();
        }
        EXPECT_FALSE(timer && timer->isEnabled());
        return control<TRichEdit>(formName, "RichEdit1")->lines();
    }
    QString text(const char* formName, const char* edit) const {
        return control<QLineEdit>(formName, edit)->text();
    }
    // A coupon of one item, paid and closed through the driver.
    void sellAndPay(const QByteArray& price, const QByteArray& position, const QByteArray& paid) {
        ASSERT_EQ(driver.ecfImpCab(0), 0);
        ASSERT_EQ(driver.ecfVendaItem("ITEM", price, 0), 0);
        ASSERT_EQ(driver.ecfPagamento(0, position, paid, 0), 0);
        ASSERT_EQ(driver.ecfFimTrans("OPERADOR"), 0);
        driver.clearCalls();
    }
};

TEST_F(StatusMonitors, TaxRateListingShowsTheFactoryRates) {
    const QStringList lines = listing("Statusdasalquotas3001", "Form1");
    EXPECT_TRUE(dialogs.boxes().isEmpty()) << dialogs.texts().join('\n').toStdString();
    ASSERT_EQ(lines.size(), 2 + 16);
    EXPECT_EQ(lines[0], " Legenda para o Tipo:  (T = ICMS ou S = ISSQN)  ");
    const QString nothing = "  Imposto: " + rightAligned("0,00", 14);
    EXPECT_EQ(lines[2],
              "0) Tipo: T    Taxa: 05,00%  Montante: " + rightAligned("0,00", 16) + nothing);
    EXPECT_EQ(lines[6],
              "4) Tipo: T    Taxa: 17,00%  Montante: " + rightAligned("0,00", 16) + nothing);
    EXPECT_EQ(lines[12],
              "10) Tipo: S    Taxa: 02,00%  Montante: " + rightAligned("0,00", 16) + nothing);
    EXPECT_EQ(lines[17],
              "15) Tipo: T    Taxa: 10,00%  Montante: " + rightAligned("0,00", 16) + nothing);
    EXPECT_EQ(driver.callsOf("ecfStatusAliquotas").last(), "ecfStatusAliquotas(15)");
}

TEST_F(StatusMonitors, TaxRateListingShowsWhatACouponAccumulated) {
    sellAndPay("10000", "00", "10000");  // 100,00 at rate 0, 5 %
    const QStringList lines = listing("Statusdasalquotas3001", "Form1");
    EXPECT_EQ(lines[2], "0) Tipo: T    Taxa: 05,00%  Montante: " + rightAligned("100,00", 16) +
                            "  Imposto: " + rightAligned("5,00", 14));
}

TEST_F(StatusMonitors, PaymentTypeListingShowsDinheiroAndItsTotal) {
    sellAndPay("1500", "00", "1500");
    const QStringList lines = listing("Statusdasformasdepagamento1", "statpay");
    EXPECT_TRUE(dialogs.boxes().isEmpty()) << dialogs.texts().join('\n').toStdString();
    ASSERT_EQ(lines.size(), 20 * 3);
    EXPECT_EQ(lines[0], QString::fromUtf8("0)   Título: Dinheiro") + blanks(12));
    EXPECT_EQ(lines[1],
              "Ativado?  S         Vinculado? N         Total: " + rightAligned("15,00", 20));
    // Cartao is linked: a programmed voucher relates to it.
    EXPECT_EQ(lines[6], QString::fromUtf8("2)   Título: Cartao") + blanks(14));
    EXPECT_EQ(lines[7],
              "Ativado?  S         Vinculado? S         Total: " + rightAligned("0,00", 20));
    // An empty position.
    EXPECT_EQ(lines[57], QString::fromUtf8("19)   Título: ") + blanks(20));
    EXPECT_EQ(lines[58],
              "Ativado?  N         Vinculado? N         Total: " + rightAligned("0,00", 20));
}

TEST_F(StatusMonitors, NonFiscalDocumentListingShowsTheFactoryVouchers) {
    const QStringList lines = listing("StatusdoscomprovantesNFs1", "statnfs");
    EXPECT_TRUE(dialogs.boxes().isEmpty()) << dialogs.texts().join('\n').toStdString();
    ASSERT_EQ(lines.size(), 16 * 7);
    EXPECT_EQ(lines[0], "0)" + blanks(4) + QString::fromUtf8("Título: Sangria") + blanks(13) +
                            blanks(5) + "Ativo?" + blanks(3) + "S");
    // Record 4, "Comprovante cartao", linked to the payment in position 02.
    EXPECT_EQ(lines[28].left(32),
              "4)" + blanks(4) + QString::fromUtf8("Título: Comprovante cartao"));
    EXPECT_TRUE(lines[31].startsWith(QString::fromUtf8("É vinculado?   S") + blanks(8) +
                                     QString::fromUtf8("Vínculo:  02")))
        << lines[31].toStdString();
    EXPECT_EQ(lines[32], "Venda NF: " + rightAligned("0,00", 18) + blanks(5) +
                             "Acre. NF: " + rightAligned("0,00", 18));
    EXPECT_EQ(lines[111], "  ");
}

TEST_F(StatusMonitors, EquipmentShowsTheMakeAndModel) {
    trigger("DadossobreoECF1");
    EXPECT_TRUE(dialogs.boxes().isEmpty()) << dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(text("stequipo", "Edit1"), "VOLDRANE  ");
    EXPECT_EQ(text("stequipo", "Edit2"), "ECF-IF 3.01    ");
    EXPECT_EQ(text("stequipo", "Edit3"), "0301");
    EXPECT_EQ(text("stequipo", "Edit4"), "VD3010586");
}

TEST_F(StatusMonitors, UserOneShowsItsRegistrations) {
    dialogs.typeInput("1");
    trigger("Dadossobreousurio1");
    EXPECT_EQ(driver.calls(), QStringList{"ecfStatusUser(1)"});
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_TRUE(text("statusr", "Edit1").contains("VOLDRANE ELETRONICA LTDA."))
        << text("statusr", "Edit1").toStdString();
    EXPECT_EQ(text("statusr", "Edit1").size(), 48);
    EXPECT_EQ(text("statusr", "Edit4"), "0001");
    EXPECT_EQ(text("statusr", "Edit5"), "0001");
    EXPECT_EQ(text("statusr", "Edit10"), "012345678901234567");
    EXPECT_EQ(text("statusr", "Edit11"), "728182-382" + blanks(5));
    EXPECT_EQ(text("statusr", "Edit12"), "012345678-901" + blanks(3));
    // Dates and times in the printer's own format.
    EXPECT_EQ(text("statusr", "Edit8").size(), 8);
    EXPECT_EQ(text("statusr", "Edit8")[2], QLatin1Char('/'));
    EXPECT_EQ(text("statusr", "Edit6").size(), 6);
    EXPECT_EQ(text("statusr", "Edit9").size(), 8);
    EXPECT_EQ(text("statusr", "Edit7").size(), 6);
    EXPECT_EQ(text("statusr", "Edit13").size(), 5);
    EXPECT_EQ(text("statusr", "Edit14"), rightAligned("0,00", 22));
}

TEST_F(StatusMonitors, UserThePrinterDoesNotHaveGivesItsError) {
    dialogs.typeInput("2");
    dialogs.acknowledge();
    trigger("Dadossobreousurio1");
    EXPECT_EQ(dialogs.texts().last(), QString::fromUtf8("Ocorreu o erro de número 002"));
    EXPECT_EQ(text("statusr", "Edit10"), "Edit4");
}

TEST_F(StatusMonitors, ChangeTotaliserAfterACouponWithChange) {
    trigger("Statusdotroco3011");
    EXPECT_EQ(text("troco", "Edit1"), "Troco" + blanks(16));
    EXPECT_EQ(text("troco", "Edit2"), rightAligned("0,00", 21));
    click("troco", "Button1");

    sellAndPay("1250", "00", "2000");  // 7,50 of change
    trigger("Statusdotroco3011");
    EXPECT_EQ(text("troco", "Edit2"), rightAligned("7,50", 21));
    EXPECT_TRUE(dialogs.boxes().isEmpty()) << dialogs.texts().join('\n').toStdString();
}

TEST_F(StatusMonitors, PendingLinkedCouponsListTheCardPayment) {
    sellAndPay("5000", "02", "5000");  // paid by card, which a voucher is linked to
    const QString coo = sliceField(couponStatus(), CouponStatusFields::CouponNumber);
    const QStringList lines = listing("StatusdosCNFvinculados1", "stvincs");
    EXPECT_TRUE(dialogs.boxes().isEmpty()) << dialogs.texts().join('\n').toStdString();
    ASSERT_EQ(lines.size(), 7 + 19 * 8);
    EXPECT_EQ(lines.mid(0, 7),
              (QStringList{
                  QString::fromUtf8("POSIÇÃO: 0") + blanks(10) + " Pendente? S",
                  QString::fromUtf8("Posição ao qual está vinculado: 02"),
                  QString::fromUtf8("Valor da operação: ") + rightAligned("50,00", 20),
                  QString::fromUtf8("Valor da transação: ") + rightAligned("0,00", 20),
                  QString::fromUtf8("COO do cupom ao qual está vinculado: ") + coo,
                  "Cupom emitido: 00",
                  "COO do CNF vinculado emitido: 000000",
              }));
    EXPECT_EQ(lines[7], " ");
    EXPECT_EQ(lines[8], QString::fromUtf8("POSIÇÃO: 1") + blanks(10) + " Pendente? N");
    EXPECT_EQ(control<QProgressBar>("stvincs", "ProgressBar1")->value(), 95);
}

// A 3.00 printer has neither the change totaliser nor the pending linked
// coupons: each record's failure comes in its box and its line.
TEST_F(StatusMonitors, PendingLinkedCouponsOnA300PrinterFailRecordByRecord) {
    changePrinter([](fiscemu::Settings& s) { s.model = fiscemu::Model::V300; });
    dialogs.acknowledge(20);
    const QStringList lines = listing("StatusdosCNFvinculados1", "stvincs");
    EXPECT_EQ(lines, QStringList(20, QString::fromUtf8("Ocorreu o erro de número 079")));
    EXPECT_EQ(dialogs.boxes().size(), 20);
    EXPECT_EQ(control<QProgressBar>("stvincs", "ProgressBar1")->value(), 0);
}
