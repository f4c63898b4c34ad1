// The change totaliser window: one query at every activation, the
// description and value as received, and a failure that keeps them.
#include "support/app_fixture.h"
#include "toolkit/tform.h"

#include <QLabel>
#include <QLineEdit>

namespace {

const QString kForm = QStringLiteral("troco");
const QString kMenuItem = QStringLiteral("Statusdotroco3011");

// "Troco" and 12,50, in 21 characters each.
const QByteArray kChange =
    QByteArray("Troco") + QByteArray(16, ' ') + QByteArray(16, ' ') + "12,50";

}  // namespace

class ChangeTotaliser : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
    }
    QStringList fields() const {
        return {control<QLineEdit>(kForm, "Edit1")->text(),
                control<QLineEdit>(kForm, "Edit2")->text()};
    }
};

TEST_F(ChangeTotaliser, Layout) {
    TForm* window = form(kForm);
    EXPECT_EQ(window->windowTitle(), "Status do totalizador de troco");
    EXPECT_EQ(window->border(), TForm::Border::SingleDialog);
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(window->defaultButton(), nullptr);
    EXPECT_EQ(control<QAbstractButton>(kForm, "Button1")->text(), "Fechar");
    EXPECT_EQ(control<QLabel>(kForm, "Label1")->text(),
              QString::fromUtf8("Descrição do totalizador:"));
    EXPECT_EQ(control<QLabel>(kForm, "Label2")->text(), "Valor acumulado:");
    for (const char* name : {"Edit1", "Edit2"}) {
        EXPECT_TRUE(control<QLineEdit>(kForm, name)->isReadOnly()) << name;
        EXPECT_EQ(control<QLineEdit>(kForm, name)->palette().color(QPalette::Base),
                  QColor(128, 128, 128));
    }
    EXPECT_EQ(fields(), (QStringList{"Edit1", "Edit1"}));
}

struct ChangeReply {
    const char* name;
    QByteArray reply;
    QStringList fields;

    friend void PrintTo(const ChangeReply& reply, std::ostream* out) { *out << reply.name; }
};

class ChangeReplies : public ChangeTotaliser, public ::testing::WithParamInterface<ChangeReply> {};

TEST_P(ChangeReplies, FieldsAsReceivedBlanksIncluded) {
    driver.setReply("ecfStatusTroco", GetParam().reply);
    trigger(kMenuItem);
    EXPECT_EQ(log.events(), QStringList{"ecfStatusTroco()"});
    EXPECT_EQ(fields(), GetParam().fields);
    EXPECT_TRUE(dialogs.boxes().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ChangeReplies,
    ::testing::Values(
        ChangeReply{"Exact", kChange, {"Troco" + QString(16, ' '), QString(16, ' ') + "12,50"}},
        ChangeReply{
            "Longer", kChange + "99", {"Troco" + QString(16, ' '), QString(16, ' ') + "12,50"}},
        ChangeReply{
            "ValueCut", kChange.left(40), {"Troco" + QString(16, ' '), QString(16, ' ') + "12,"}},
        ChangeReply{"DescriptionOnly", "Troco", {"Troco", ""}},
        ChangeReply{"Null", QByteArray(), {"", ""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChangeTotaliser, FailureAfterASuccessKeepsTheEarlierValues) {
    driver.queueReplies("ecfStatusTroco", {kChange});
    trigger(kMenuItem);
    click(kForm, "Button1");  // hides it, as the close box does
    EXPECT_FALSE(form(kForm)->isVisible());
    log.clear();
    driver.queueReplies("ecfStatusTroco", {"Erro: 079 Comando inexistente neste modelo"});
    dialogs.acknowledge();
    trigger(kMenuItem);
    EXPECT_EQ(log.events(),
              (QStringList{"ecfStatusTroco()",
                           QString::fromUtf8("message: Ocorreu o erro de número 079")}));
    EXPECT_EQ(fields(), (QStringList{"Troco" + QString(16, ' '), QString(16, ' ') + "12,50"}));
}

TEST_F(ChangeTotaliser, FirstQueryFailingLeavesTheInitialTexts) {
    driver.setReply("ecfStatusTroco", "Erro: 002");
    dialogs.acknowledge();
    trigger(kMenuItem);
    EXPECT_EQ(fields(), (QStringList{"Edit1", "Edit1"}));
}

TEST_F(ChangeTotaliser, CloseBoxHidesTheWindowAndTheNextShowQueriesAgain) {
    driver.setReply("ecfStatusTroco", kChange);
    trigger(kMenuItem);
    form(kForm)->close();
    EXPECT_FALSE(form(kForm)->isVisible());
    EXPECT_EQ(activeForm(), form("frmMain"));
    trigger(kMenuItem);
    EXPECT_EQ(driver.callsOf("ecfStatusTroco").size(), 2);
}
