// The non-fiscal voucher window: three checks, all of them, before any
// call; the eight arguments; the hint that follows result 79.
#include "support/app_fixture.h"
#include "toolkit/tform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

const QString kForm = QStringLiteral("progcnf");
const QString kNoPosition = QStringLiteral("message: Nenhuma posição foi selecionada.");
const QString kNoPaymentType =
    QStringLiteral("message: Nenhuma forma de pagamento foi selecionada.");
const QString kNoDescription = QStringLiteral("message: Campo da descrição precisa ser preechido");
const QString kHint = QStringLiteral(
    "message: Este erro indica uma falha de comunicação. Verifique se a impressora é, de fato, "
    "uma Tolvar modelo 3.0");
const QStringList kBoxes = {"CheckBox1", "CheckBox3", "CheckBox5", "CheckBox7", "CheckBox9"};

}  // namespace

class VoucherWindow : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
        trigger("Comprovantesnofiscais1");
        log.clear();
    }

    QComboBox* combo(const char* name) const { return control<QComboBox>(kForm, name); }
    QCheckBox* box(const QString& name) const { return control<QCheckBox>(kForm, name); }
    void choose(int position, int paymentType) {
        combo("ComboBox1")->setCurrentIndex(position);
        combo("ComboBox2")->setCurrentIndex(paymentType);
    }
};

TEST_F(VoucherWindow, Layout) {
    TForm* window = form(kForm);
    EXPECT_EQ(window->windowTitle(), "Comprovantes não fiscais");
    EXPECT_EQ(window->border(), TForm::Border::SingleNoIcons);
    EXPECT_EQ(window->defaultButton(), control<QAbstractButton>(kForm, "Button2"));
    const QList<QPair<const char*, const char*>> labels = {
        {"Label1", "Posição:"},
        {"Label2", "Descrição:"},
        {"Label3", "Permite desconto?"},
        {"Label4", "Permite acréscimo?"},
        {"Label5", "Permite cancelamento?"},
        {"Label6", "Pagamento obrigatório?"},
        {"Label7", "Comprovante vinculado?"},
        {"Label8", "Forma de pagamento relacionada:"},
        {"Label9", "Sim"},
    };
    for (const auto& [name, caption] : labels) {
        EXPECT_EQ(control<QLabel>(kForm, name)->text(), QString::fromUtf8(caption)) << name;
    }
    for (const char* name : {"ComboBox1", "ComboBox2"}) {
        EXPECT_FALSE(combo(name)->isEditable()) << name;
        EXPECT_EQ(combo(name)->currentIndex(), -1) << name;
        ASSERT_EQ(combo(name)->count(), 21) << name;
    }
    for (int i = 0; i < 21; ++i) {
        const QString code = QStringLiteral("%1").arg(i, 2, 10, QChar('0'));
        EXPECT_EQ(combo("ComboBox1")->itemText(i), "Posição " + code);
        EXPECT_EQ(combo("ComboBox2")->itemText(i), code);
    }
    EXPECT_EQ(control<QLineEdit>(kForm, "Edit1")->text(), "Dinheiro");
    EXPECT_EQ(control<QLineEdit>(kForm, "Edit1")->maxLength(), 20);
    for (const QString& name : kBoxes) {
        EXPECT_EQ(box(name)->text(), "") << name.toStdString();
        EXPECT_FALSE(box(name)->isChecked()) << name.toStdString();
    }
    EXPECT_EQ(control<QAbstractButton>(kForm, "Button1")->text(), "OK");
    EXPECT_EQ(control<QAbstractButton>(kForm, "Button2")->text(), "Cancela");
}

struct MissingEntries {
    const char* name;
    int position;
    int paymentType;
    const char* description;
    QStringList messages;
};

class EachMissing : public VoucherWindow, public ::testing::WithParamInterface<MissingEntries> {};

TEST_P(EachMissing, EveryFailedCheckShowsItsMessageInOrderAndNothingIsSent) {
    const MissingEntries row = GetParam();
    choose(row.position, row.paymentType);
    setText(kForm, "Edit1", QString::fromUtf8(row.description));
    dialogs.acknowledge(int(row.messages.size()));
    click(kForm, "Button1");
    EXPECT_EQ(log.events(), row.messages);
    EXPECT_TRUE(form(kForm)->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Checks, EachMissing,
    ::testing::Values(
        MissingEntries{"Everything", -1, -1, "", {kNoPosition, kNoPaymentType, kNoDescription}},
        MissingEntries{"PositionOnly", -1, 3, "Dinheiro", {kNoPosition}},
        MissingEntries{"PaymentTypeOnly", 2, -1, "Dinheiro", {kNoPaymentType}},
        MissingEntries{"DescriptionOnly", 2, 3, "", {kNoDescription}},
        MissingEntries{"PositionAndDescription", -1, 3, "", {kNoPosition, kNoDescription}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VoucherWindow, AllBoxesTickedPositionFivePaymentTwelve) {
    choose(5, 12);
    for (const QString& name : kBoxes) {
        box(name)->setChecked(true);
    }
    click(kForm, "Button1");
    EXPECT_EQ(log.events(), QStringList{"ecfProgNFComprov(\"05\", \"Dinheiro\", \"S\", \"S\", "
                                        "\"S\", \"S\", \"S\", \"12\")"});
    EXPECT_TRUE(form(kForm)->isVisible());
}

class EachFlag : public VoucherWindow, public ::testing::WithParamInterface<int> {};

TEST_P(EachFlag, OneTickedBoxGivesItsOwnArgument) {
    choose(0, 20);
    setText(kForm, "Edit1", "Conta de água");
    box(kBoxes[GetParam()])->setChecked(true);
    click(kForm, "Button1");
    QStringList flags{"\"N\"", "\"N\"", "\"N\"", "\"N\"", "\"N\""};
    flags[GetParam()] = "\"S\"";
    EXPECT_EQ(driver.calls(), QStringList{"ecfProgNFComprov(\"00\", \"Conta de água\", " +
                                          flags.join(", ") + ", \"20\")"});
}

INSTANTIATE_TEST_SUITE_P(Flags, EachFlag, ::testing::Range(0, 5),
                         [](const auto& info) { return kBoxes[info.param].toStdString(); });

TEST_F(VoucherWindow, ResultSeventyNineAddsTheCommunicationHint) {
    choose(9, 1);
    driver.setResult("ecfProgNFComprov", 79);
    dialogs.acknowledge(2);
    click(kForm, "Button1");
    EXPECT_EQ(log.events(),
              (QStringList{"ecfProgNFComprov(\"09\", \"Dinheiro\", \"N\", \"N\", \"N\", \"N\", "
                           "\"N\", \"01\")",
                           "message: Ocorreu o seguinte erro: 79", kHint}));
}

TEST_F(VoucherWindow, OtherRefusalsShowOnlyTheNumberAndKeepTheEntries) {
    choose(10, 10);
    box("CheckBox9")->setChecked(true);
    driver.queueResults("ecfProgNFComprov", {4, 0});
    dialogs.acknowledge();
    click(kForm, "Button1");
    EXPECT_EQ(dialogs.texts(), QStringList{"Ocorreu o seguinte erro: 4"});
    // Pressed again as it stands: the same arguments.
    click(kForm, "Button1");
    const QString call = QStringLiteral(
        "ecfProgNFComprov(\"10\", \"Dinheiro\", \"N\", \"N\", \"N\", \"N\", \"S\", \"10\")");
    EXPECT_EQ(driver.calls(), (QStringList{call, call}));
    EXPECT_EQ(combo("ComboBox1")->currentIndex(), 10);
    EXPECT_TRUE(box("CheckBox9")->isChecked());
}

TEST_F(VoucherWindow, CancelaClosesAndTheEntriesStay) {
    choose(4, 2);
    box("CheckBox3")->setChecked(true);
    pressEnter(kForm);  // Cancela is the default button
    EXPECT_FALSE(form(kForm)->isVisible());
    EXPECT_TRUE(driver.callsOf("ecfProgNFComprov").isEmpty());
    trigger("Comprovantesnofiscais1");
    EXPECT_EQ(combo("ComboBox1")->currentIndex(), 4);
    EXPECT_EQ(combo("ComboBox2")->currentIndex(), 2);
    EXPECT_TRUE(box("CheckBox3")->isChecked());
}
