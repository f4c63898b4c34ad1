// The demonstration scripts on the emulated printer: scripts written for a
// version 2.04 printer run through without a refusal there, and what they
// print is on the paper roll, code page 850 bytes included.
#include "driver/codepage.h"
#include "e2e/e2e_fixture.h"
#include "meu_pr/meu_pr.h"

#include <QLabel>
#include <QProgressBar>

class Demonstrations : public EndToEnd {
protected:
    void startOn204() {
        changePrinter([](fiscemu::Settings& s) { s.model = fiscemu::Model::V204; });
        startApplication({DialogAnswer::No, DialogAnswer::No});
        trigger("Demonstraes1");
    }

    void run(const QString& script, int messages) {
        click("fdemos", script);
        dialogs.acknowledge(messages);
        click("fdemos", "Button1");
    }

    int progress() const { return control<QProgressBar>("fdemos", "ProgressBar1")->value(); }

    bool rollHasLine(const QByteArray& bytes) const {
        for (const fiscemu::PaperRow& row : paperRoll()) {
            if (QByteArray(row.bytes.data(), int(row.bytes.size())) == bytes) {
                return true;
            }
        }
        return false;
    }

    QString paper() const { return paperText().join('\n'); }
};

TEST_F(Demonstrations, SubtotalScriptClosesItsCouponOnA204Printer) {
    startOn204();
    run("RadioButton1", 4);
    EXPECT_EQ(dialogs.texts(),
              (QStringList{"Vamos agora cancelar o desconto no subtotal...",
                           "Acrescendo um valor no subtotal...",
                           "Agora será efetuado o pagamento a prazo", "Concluído"}));
    EXPECT_EQ(printerState(), 100);
    EXPECT_EQ(progress(), 100);
    // Items and the surcharge: the grand total holds 138,05 + 1,20.
    EXPECT_EQ(sliceField(couponStatus(), CouponStatusFields::GrandTotal).trimmed(), "139,25");
    const QString roll = paper();
    for (const char* expected :
         {"Descrevendo quinto produto", "DESCONTO Desconto do subtotal",
          "CANC. DESCONTO Desconto cancelado", "ACRESCIMO Acrescimo no subtotal", "cheques",
          "1 entrada + 2 parcelas (30 e 60 dias)", "Fone p/ contato: (000)999-9999", "meu_nome"}) {
        EXPECT_TRUE(roll.contains(QString::fromLatin1(expected))) << expected << '\n'
                                                                  << roll.toStdString();
    }
}

TEST_F(Demonstrations, SubtotalScriptPaymentWordIsUnknownToA301Printer) {
    // The model the emulator starts as has a payment table: "cheques" is
    // not in it, and the coupon stays open as the script left it.
    startApplication();
    trigger("Demonstraes1");
    run("RadioButton1", 4);
    EXPECT_EQ(dialogs.texts(), (QStringList{"Vamos agora cancelar o desconto no subtotal...",
                                            "Acrescendo um valor no subtotal...",
                                            "Agora será efetuado o pagamento a prazo",
                                            "ecfPrazoCancPrazo retornou 4"}));
    EXPECT_EQ(printerState(), 65);
    EXPECT_LT(progress(), 100);
}

TEST_F(Demonstrations, QuotationPrintsTheCodePage850LinesAsSent) {
    startOn204();
    run("RadioButton2", 1);
    EXPECT_EQ(dialogs.texts(), QStringList{"Concluido"});
    EXPECT_EQ(printerState(), 100);
    EXPECT_TRUE(rollHasLine("                 ORCAMENTO"));
    EXPECT_TRUE(rollHasLine("TOTALIZANDO: ................ R$ 331,36"));
    EXPECT_TRUE(rollHasLine("    Voce pode utilizar esta fun\x87\xc6o"));
    EXPECT_TRUE(rollHasLine("para fazer os mais variados relat\xa2rios, "));
    EXPECT_TRUE(
        rollHasLine("or\x87"
                    "amentos, carn\x88s ou recibos."));
    EXPECT_TRUE(paper().contains("any_name")) << paper().toStdString();
}

TEST_F(Demonstrations, CancellationScriptCancelsTheSaleAndTheClosedCoupon) {
    startOn204();
    run("RadioButton3", 4);
    EXPECT_EQ(dialogs.texts(),
              (QStringList{"Cancelaremos o cupom estando dentro dele com ecfCancVenda",
                           "Vamos abrir outro cupom...",
                           "O cupom já foi fechado, mas podemos cancelá-lo com ecfCancDoc",
                           "Concluido"}));
    EXPECT_EQ(printerState(), 100);
    EXPECT_EQ(progress(), 100);
    const QString roll = paper();
    EXPECT_TRUE(roll.contains("Posso usar ate tres (3) linhas complementares,"))
        << roll.toStdString();
    EXPECT_EQ(roll.count("VALOR CANCELADO"), 2) << roll.toStdString();

    // The coupon is cancelled once: a second run cancels its own sale and
    // coupon again, so the day holds two of each.
    dialogs.clear();
    run("RadioButton3", 4);
    EXPECT_EQ(dialogs.texts().last(), "Concluido");
    EXPECT_EQ(paper().count("VALOR CANCELADO"), 4);
}

TEST_F(Demonstrations, CharacterTablePrintsEveryCodeFrom30To254) {
    startOn204();
    run("RadioButton4", 0);
    EXPECT_TRUE(dialogs.boxes().isEmpty()) << dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(printerState(), 100);
    EXPECT_EQ(progress(), 0);
    EXPECT_TRUE(rollHasLine("30: \x1e  31: \x1f  32:    33: !  34: \""));
    EXPECT_TRUE(rollHasLine("250: \xfa 251: \xfb 252: \xfc 253: \xfd 254: \xfe"));
    EXPECT_TRUE(paper().contains("# table")) << paper().toStdString();
}

TEST_F(Demonstrations, CurrentUserShowsTheRegisteredCgcAndIe) {
    startApplication();
    trigger("Demonstraes1");
    click("fdemos", "Button3");
    EXPECT_TRUE(dialogs.boxes().isEmpty()) << dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(control<QLabel>("fdemos", "Label1")->text().trimmed(), "012345678901234567");
    EXPECT_EQ(control<QLabel>("fdemos", "Label2")->text().trimmed(), "012345678-901");
}
