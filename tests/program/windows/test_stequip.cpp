// The equipment information window: one query at every activation, the
// four fields as received, and a failure that leaves them as they were.
#include "support/app_fixture.h"
#include "toolkit/tform.h"

#include <QLabel>
#include <QLineEdit>

namespace {

const QString kForm = QStringLiteral("stequipo");
const QString kMenuItem = QStringLiteral("DadossobreoECF1");

// Make, model, version and serial number, 38 characters.
const QByteArray kEquipment = QByteArray("VOLDRANE  ") + "ECF-IF 3.01    " + "0301" + "VD3010586";

}  // namespace

class EquipmentInformation : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
    }
    QStringList fields() const {
        QStringList result;
        for (const char* name : {"Edit1", "Edit2", "Edit3", "Edit4"}) {
            result.append(control<QLineEdit>(kForm, name)->text());
        }
        return result;
    }
    // Opens the window on a reply, then closes it.
    void queryOnce(const QByteArray& reply) {
        driver.queueReplies("ecfStatusEquipo", {reply});
        trigger(kMenuItem);
        click(kForm, "Button1");
    }
};

TEST_F(EquipmentInformation, Layout) {
    TForm* window = form(kForm);
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Informações sobre o equipamento"));
    EXPECT_EQ(window->border(), TForm::Border::SingleNoIcons);
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(window->defaultButton(), control<QAbstractButton>(kForm, "Button1"));
    EXPECT_EQ(control<QAbstractButton>(kForm, "Button1")->text(), "OK");
    const QStringList captions{"Marca:", "Modelo do equipamento:", QString::fromUtf8("Versão:"),
                               QString::fromUtf8("Número de série:")};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(control<QLabel>(kForm, QStringLiteral("Label%1").arg(i + 1))->text(),
                  captions[i]);
        auto* edit = control<QLineEdit>(kForm, QStringLiteral("Edit%1").arg(i + 1));
        EXPECT_TRUE(edit->isReadOnly()) << i;
        EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(128, 128, 128)) << i;
    }
    EXPECT_EQ(fields(), QStringList(4, "Edit1"));
    EXPECT_FALSE(control<QLabel>(kForm, "Image1")->pixmap().isNull());
}

struct EquipmentReply {
    const char* name;
    QByteArray reply;
    QStringList fields;

    friend void PrintTo(const EquipmentReply& reply, std::ostream* out) { *out << reply.name; }
};

class EquipmentReplies : public EquipmentInformation,
                         public ::testing::WithParamInterface<EquipmentReply> {};

TEST_P(EquipmentReplies, FieldsAsReceivedBlanksIncluded) {
    driver.setReply("ecfStatusEquipo", GetParam().reply);
    trigger(kMenuItem);
    EXPECT_EQ(log.events(), QStringList{"ecfStatusEquipo()"});
    EXPECT_EQ(fields(), GetParam().fields);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, EquipmentReplies,
    ::testing::Values(
        EquipmentReply{"Exact", kEquipment, {"VOLDRANE  ", "ECF-IF 3.01    ", "0301", "VD3010586"}},
        EquipmentReply{
            "Longer", kEquipment + "ZZZ", {"VOLDRANE  ", "ECF-IF 3.01    ", "0301", "VD3010586"}},
        EquipmentReply{
            "CutInTheVersion", kEquipment.left(27), {"VOLDRANE  ", "ECF-IF 3.01    ", "03", ""}},
        EquipmentReply{"Null", QByteArray(), {"", "", "", ""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EquipmentInformation, FailureShowsItsNumberAndKeepsTheEarlierValues) {
    queryOnce(kEquipment);
    log.clear();
    driver.queueReplies("ecfStatusEquipo", {"Erro: 079 Impressora nao responde"});
    QStringList atBox;
    dialogs.onBox([&](const RecordedBox&) { atBox = fields(); });
    dialogs.acknowledge();
    trigger(kMenuItem);
    EXPECT_EQ(log.events(),
              (QStringList{"ecfStatusEquipo()",
                           QString::fromUtf8("message: Ocorreu o erro de número 079")}));
    EXPECT_EQ(dialogs.boxes().first().caption, "WIN_ECF");
    const QStringList earlier{"VOLDRANE  ", "ECF-IF 3.01    ", "0301", "VD3010586"};
    EXPECT_EQ(atBox, earlier);
    EXPECT_EQ(fields(), earlier);
    EXPECT_TRUE(form(kForm)->isVisible());
}

TEST_F(EquipmentInformation, FirstQueryFailingLeavesTheInitialTexts) {
    driver.setReply("ecfStatusEquipo", "  ..ErroXYZ");
    dialogs.acknowledge();
    trigger(kMenuItem);
    EXPECT_EQ(dialogs.texts(), QStringList{QString::fromUtf8("Ocorreu o erro de número roX")});
    EXPECT_EQ(fields(), QStringList(4, "Edit1"));
}

TEST_F(EquipmentInformation, EveryActivationQueriesAgainAndEnterCloses) {
    queryOnce(kEquipment);
    driver.setReply("ecfStatusEquipo",
                    QByteArray("OUTRA     ") + "MODELO X       " + "0300" + "VD3000422");
    trigger(kMenuItem);
    EXPECT_EQ(fields(), (QStringList{"OUTRA     ", "MODELO X       ", "0300", "VD3000422"}));
    EXPECT_EQ(driver.callsOf("ecfStatusEquipo").size(), 2);
    log.clear();
    pressEnter(kForm);
    EXPECT_FALSE(form(kForm)->isVisible());
    EXPECT_EQ(log.events(), QStringList{"ecfStatusImp()"});
}
