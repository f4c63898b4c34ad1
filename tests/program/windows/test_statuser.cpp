// The user information window: the user number asked at every activation,
// one query, and the fourteen fields as received.
#include "support/app_fixture.h"
#include "toolkit/tform.h"

#include <QLabel>
#include <QLineEdit>

namespace {

const QString kForm = QStringLiteral("statusr");
const QString kMenuItem = QStringLiteral("Dadossobreousurio1");
const QString kPrompt =
    QString::fromUtf8("Por favor, forneça o número do usuário (ex.: 1, 2, 3, etc.)");

QByteArray fit(const QByteArray& text, int width) {
    return text + QByteArray(width - text.size(), ' ');
}

// The fields of a user record in the order they come.
struct UserRecord {
    QByteArray line1 = fit("VOLDRANE ELETRONICA LTDA.", 48);
    QByteArray line2 = fit("RUA DAS FLORES, 100", 48);
    QByteArray line3 = fit("CAMPO SERENO - SP", 48);
    QByteArray store = "0001";
    QByteArray equipment = "0002";
    QByteArray cgc = "012345678901234567";
    QByteArray im = fit("728182-382", 15);
    QByteArray ie = fit("012345678-901", 16);
    QByteArray firstDate = "01/02/26";
    QByteArray firstTime = "080910";
    QByteArray lastDate = "10/03/26";
    QByteArray lastTime = "120000";
    QByteArray restarts = "00003";
    QByteArray grandTotal = QByteArray(14, ' ') + "1.234,56";

    QByteArray text() const {
        return line1 + line2 + line3 + store + equipment + cgc + im + ie + firstDate + firstTime +
               lastDate + lastTime + restarts + grandTotal;
    }
};

// The text fields in the record's order, with the label beside each.
const QList<QPair<const char*, const char*>> kFieldsInRecordOrder = {
    {"Edit1", nullptr},         {"Edit2", nullptr},          {"Edit3", nullptr},
    {"Edit4", "Loja:"},         {"Edit5", "Equipamento:"},   {"Edit10", "CGC:"},
    {"Edit11", "IM:"},          {"Edit12", "IE:"},           {"Edit8", "Data inicial:"},
    {"Edit6", "Hora inicial:"}, {"Edit9", "Data final:"},    {"Edit7", "Hora final:"},
    {"Edit13", "Reinício:"},    {"Edit14", "Grande Total:"},
};

QStringList recordFields(const UserRecord& r) {
    QStringList result;
    for (const QByteArray& f :
         {r.line1, r.line2, r.line3, r.store, r.equipment, r.cgc, r.im, r.ie, r.firstDate,
          r.firstTime, r.lastDate, r.lastTime, r.restarts, r.grandTotal}) {
        result.append(QString::fromLatin1(f));
    }
    return result;
}

}  // namespace

class UserInformation : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
    }
    // The fields in the record's order.
    QStringList fields() const {
        QStringList result;
        for (const auto& entry : kFieldsInRecordOrder) {
            result.append(control<QLineEdit>(kForm, entry.first)->text());
        }
        return result;
    }
    QStringList initialFields() const {
        QStringList result{"Edit1", "Edit1", "Edit1"};
        for (int i = 3; i < 14; ++i) {
            result.append("Edit4");
        }
        return result;
    }
    void openFor(const QString& answer, const QByteArray& reply) {
        driver.queueReplies("ecfStatusUser", {reply});
        dialogs.typeInput(answer);
        if (reply.contains("Erro")) {
            dialogs.acknowledge();
        }
        trigger(kMenuItem);
    }
};

TEST_F(UserInformation, Layout) {
    TForm* window = form(kForm);
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Informações sobre o usuário"));
    EXPECT_EQ(window->border(), TForm::Border::SingleNoIcons);
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(192, 192, 192));
    EXPECT_EQ(window->defaultButton(), control<QAbstractButton>(kForm, "Button1"));
    EXPECT_EQ(control<QAbstractButton>(kForm, "Button1")->text(), "OK");
    EXPECT_EQ(fields(), initialFields());
    const QList<QPair<const char*, const char*>> labels = {
        {"Label1", "Loja:"},
        {"Label2", "Equipamento:"},
        {"Label3", "Hora inicial:"},
        {"Label4", "Hora final:"},
        {"Label5", "Data inicial:"},
        {"Label6", "Data final:"},
        {"Label7", "CGC:"},
        {"Label8", "IM:"},
        {"Label9", "IE:"},
        {"Label10", "Reinício:"},
        {"Label11", "Grande Total:"},
    };
    for (const auto& [name, caption] : labels) {
        EXPECT_EQ(control<QLabel>(kForm, name)->text(), QString::fromUtf8(caption)) << name;
    }
    for (const auto& entry : kFieldsInRecordOrder) {
        EXPECT_FALSE(control<QLineEdit>(kForm, entry.first)->isReadOnly()) << entry.first;
    }
}

TEST_F(UserInformation, AsksForTheUserThenFillsEveryFieldAsReceived) {
    const UserRecord record;
    ASSERT_EQ(record.text().size(), 256);
    openFor("2", record.text() + "not read");
    EXPECT_EQ(log.events(), (QStringList{"input: " + kPrompt, "ecfStatusUser(2)"}));
    EXPECT_EQ(dialogs.boxes().first().caption, QString::fromUtf8("Escolha o usuário"));
    EXPECT_EQ(fields(), recordFields(record));
}

TEST_F(UserInformation, CancellingTheBoxQueriesUserOne) {
    driver.setReply("ecfStatusUser", UserRecord().text());
    dialogs.cancelInput();
    trigger(kMenuItem);
    EXPECT_EQ(log.events(), (QStringList{"input: " + kPrompt, "ecfStatusUser(1)"}));
    EXPECT_EQ(fields(), recordFields(UserRecord()));
}

struct Answer {
    const char* name;
    const char* typed;
    int32_t user;

    friend void PrintTo(const Answer& answer, std::ostream* out) {
        *out << '"' << answer.typed << '"';
    }
};

class UserNumbers : public UserInformation, public ::testing::WithParamInterface<Answer> {};

TEST_P(UserNumbers, NumberGoesToTheDriverUnchanged) {
    driver.setReply("ecfStatusUser", "Erro: 002 Valor fora da faixa");
    dialogs.typeInput(QString::fromLatin1(GetParam().typed));
    dialogs.acknowledge();
    trigger(kMenuItem);
    EXPECT_EQ(
        log.events(),
        (QStringList{"input: " + kPrompt, QStringLiteral("ecfStatusUser(%1)").arg(GetParam().user),
                     QString::fromUtf8("message: Ocorreu o erro de número 002")}));
    EXPECT_EQ(fields(), initialFields());
}

INSTANTIATE_TEST_SUITE_P(Answers, UserNumbers,
                         ::testing::Values(Answer{"Zero", "0", 0}, Answer{"Negative", "-3", -3},
                                           Answer{"LeadingBlanks", "  7", 7},
                                           Answer{"Large", "2147483647", 2147483647}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UserInformation, ZeroAnsweredWithARecordShowsTheRecord) {
    UserRecord record;
    record.store = "0009";
    openFor("0", record.text());
    EXPECT_EQ(driver.calls(), QStringList{"ecfStatusUser(0)"});
    EXPECT_EQ(fields(), recordFields(record));
}

class NotANumber : public UserInformation, public ::testing::WithParamInterface<const char*> {};

TEST_P(NotANumber, EndsTheActivationWithTheConversionMessage) {
    openFor("2", UserRecord().text());
    click(kForm, "Button1");
    log.clear();
    dialogs.typeInput(QString::fromUtf8(GetParam()));
    dialogs.acknowledge();
    trigger(kMenuItem);
    EXPECT_EQ(log.events(),
              (QStringList{"input: " + kPrompt, QString::fromUtf8("exception: '%1' is not a valid "
                                                                  "integer value")
                                                    .arg(QString::fromUtf8(GetParam()))}));
    EXPECT_EQ(fields(), recordFields(UserRecord()));
    EXPECT_TRUE(form(kForm)->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Answers, NotANumber,
                         ::testing::Values("um", "", "1,5", "2147483648", "3 "),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(UserInformation, FailureAfterASuccessKeepsTheEarlierUser) {
    openFor("1", UserRecord().text());
    click(kForm, "Button1");
    openFor("5", "Erro: 002 Valor fora da faixa");
    EXPECT_EQ(dialogs.texts().last(), QString::fromUtf8("Ocorreu o erro de número 002"));
    EXPECT_EQ(fields(), recordFields(UserRecord()));
}

TEST_F(UserInformation, ShortAndNullRepliesEmptyTheFieldsPastTheirEnd) {
    UserRecord record;
    openFor("1", record.text().left(160));
    QStringList expected = recordFields(record).mid(0, 5);
    expected << "01234567"
             << ""
             << ""
             << ""
             << ""
             << ""
             << ""
             << ""
             << "";
    EXPECT_EQ(fields(), expected);
    click(kForm, "Button1");

    openFor("1", QByteArray());
    EXPECT_EQ(fields(), QStringList(14, QString()));
}

TEST_F(UserInformation, EveryActivationAsksAgain) {
    openFor("1", UserRecord().text());
    ASSERT_TRUE(form(kForm)->isVisible());
    // Back from another window of the program.
    trigger("Statusdotroco3011");
    dialogs.typeInput("2");
    driver.setReply("ecfStatusUser", UserRecord().text());
    trigger(kMenuItem);
    EXPECT_EQ(driver.callsOf("ecfStatusUser"),
              (QStringList{"ecfStatusUser(1)", "ecfStatusUser(2)"}));
    EXPECT_EQ(dialogs.boxes().size(), 2);
}
