// The coupon status window: the reply cut into its fields, kept until the
// next reply, and polling that runs only while the window is the active one.
#include "support/app_fixture.h"
#include "toolkit/activation.h"
#include "toolkit/tform.h"
#include "toolkit/ttimer.h"

#include <QLabel>
#include <QLineEdit>

namespace {

const QString kForm = QStringLiteral("FormStatusCup");
const QString kMenuItem = QStringLiteral("Statusdocupom1");
const QString kCup = QStringLiteral("ecfStatusCupom(&1)");

// Printer 0007, document 2, coupon 004321, 09:30:15, 28/02/2026, subtotal
// 1.234,56 and grand total 98.765,43, both right-aligned in 21 characters.
const QByteArray kOpenCoupon = QByteArrayLiteral("0007") + "2" + "004321" + "093015" + "28022026" +
                               QByteArray(13, ' ') + "1.234,56" + QByteArray(12, ' ') + "98.765,43";
const QByteArray kFailure = QByteArrayLiteral("Erro: 016");

// Edit1 .. Edit8 as the operator reads them, top to bottom.
const QStringList kOpenCouponFields = {
    "0007",
    "2",
    "004321",
    "093015",
    "28022026",
    QString(13, ' ') + "1.234,56",
    QString(12, ' ') + "98.765,43",
    QString::fromLatin1(kOpenCoupon),
};

}  // namespace

class CouponStatusWindow : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
    }

    TTimer* timer() const { return control<TTimer>(kForm, "Timer1"); }
    QLineEdit* edit(const QString& name) const { return control<QLineEdit>(kForm, name); }
    QString text(const QString& name) const { return edit(name)->text(); }
    // In reading order: Edit1, Edit2, Edit3, Edit7, Edit4, Edit5, Edit6, Edit8.
    QStringList fields() const {
        QStringList result;
        for (const char* name :
             {"Edit1", "Edit2", "Edit3", "Edit7", "Edit4", "Edit5", "Edit6", "Edit8"}) {
            result.append(text(name));
        }
        return result;
    }
    void openOn(const QByteArray& reply) {
        driver.queueReplies("ecfStatusCupom", {reply});
        trigger(kMenuItem);
        log.clear();
    }
};

TEST_F(CouponStatusWindow, LayoutBeforeTheFirstOpening) {
    TForm* window = form(kForm);
    EXPECT_EQ(window->windowTitle(), "Status do Cupom");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->border(), TForm::Border::SingleDialog);
    EXPECT_EQ(window->defaultButton(), control<QAbstractButton>(kForm, "BitBtn1"));
    EXPECT_EQ(control<QAbstractButton>(kForm, "BitBtn1")->text(), "OK");
    EXPECT_EQ(timer()->interval(), 1000);
    EXPECT_FALSE(timer()->isEnabled());

    const QList<QPair<const char*, const char*>> labels = {
        {"Label1", "Número do Ecf:"},
        {"Label2", "Tipo Documento:"},
        {"Label3", "Número do Cupom:"},
        {"Label7", "Hora Atual:"},
        {"Label4", "Data:"},
        {"Label5", "SubTotal:"},
        {"Label6", "Grande Total:"},
        {"Label8", "String proveniente da DLL:"},
    };
    for (const auto& [name, caption] : labels) {
        EXPECT_EQ(control<QLabel>(kForm, name)->text(), QString::fromUtf8(caption)) << name;
    }
    EXPECT_EQ(fields(), (QStringList{"", "", "", "", "", "", "", "Edit8"}));
    for (int i = 1; i <= 7; ++i) {
        QLineEdit* field = edit(QStringLiteral("Edit%1").arg(i));
        EXPECT_TRUE(field->isReadOnly()) << i;
        EXPECT_FALSE(field->focusPolicy() & Qt::TabFocus) << i;
    }
    EXPECT_EQ(edit("Edit5")->maxLength(), 22);
    EXPECT_EQ(edit("Edit6")->maxLength(), 22);
    EXPECT_FALSE(edit("Edit8")->isReadOnly());
    EXPECT_TRUE(edit("Edit8")->focusPolicy() & Qt::TabFocus);
}

TEST_F(CouponStatusWindow, MenuItemShowsTheFieldsAsCutBlanksIncludedAndStartsPolling) {
    driver.setReply("ecfStatusCupom", kOpenCoupon);
    trigger(kMenuItem);
    EXPECT_EQ(log.events(), QStringList{kCup});
    EXPECT_TRUE(form(kForm)->isVisible());
    EXPECT_EQ(activeForm(), form(kForm));
    EXPECT_EQ(fields(), kOpenCouponFields);
    EXPECT_TRUE(timer()->isEnabled());
}

TEST_F(CouponStatusWindow, FieldsFillInTheirOrderAndAreNotEmptiedBeforeTheQuery) {
    openOn(RecordingDriver::idleCouponStatus());
    click(kForm, "BitBtn1");
    const QStringList idleFields = fields();

    QStringList changes;
    bool querying = false;
    for (int i = 1; i <= 8; ++i) {
        const QString name = QStringLiteral("Edit%1").arg(i);
        QObject::connect(edit(name), &QLineEdit::textChanged, [&, name](const QString&) {
            if (querying) {
                changes.append(name);
            }
        });
    }
    QStringList atQuery;
    driver.onCall("ecfStatusCupom", [&] {
        atQuery = fields();
        querying = true;
    });
    driver.queueReplies("ecfStatusCupom", {kOpenCoupon});
    trigger(kMenuItem);

    EXPECT_EQ(atQuery, idleFields);
    EXPECT_EQ(changes, (QStringList{"Edit8", "Edit1", "Edit2", "Edit3", "Edit7", "Edit4", "Edit5",
                                    "Edit6"}));
    EXPECT_EQ(fields(), kOpenCouponFields);
}

TEST_F(CouponStatusWindow, PrinterOffAtOpeningShowsOneMessageTheReplyAndNoPolling) {
    // A good reply first, so that emptying the fields shows.
    openOn(kOpenCoupon);
    click(kForm, "BitBtn1");
    log.clear();

    driver.queueReplies("ecfStatusCupom", {kFailure});
    QStringList atMessage;
    dialogs.onBox([&](const RecordedBox&) { atMessage = fields(); });
    dialogs.acknowledge();
    trigger(kMenuItem);

    EXPECT_EQ(log.events(),
              (QStringList{kCup, QString::fromUtf8("message: Ocorreu o erro de número 016")}));
    EXPECT_EQ(dialogs.boxes().first().caption, "WIN_ECF");
    const QStringList failed{"", "", "", "", "", "", "", "Erro: 016"};
    EXPECT_EQ(atMessage, failed);
    EXPECT_EQ(fields(), failed);
    EXPECT_FALSE(timer()->isEnabled());
    EXPECT_TRUE(form(kForm)->isVisible());
    EXPECT_EQ(activeForm(), form(kForm));
}

TEST_F(CouponStatusWindow, FailureWhilePollingShowsOneMessageAndClosesTheWindow) {
    openOn(kOpenCoupon);
    driver.queueReplies("ecfStatusCupom", {"  Erro999"});
    bool visibleAtMessage = false;
    bool pollingAtMessage = true;
    dialogs.onBox([&](const RecordedBox&) {
        visibleAtMessage = form(kForm)->isVisible();
        pollingAtMessage = timer()->isEnabled();
    });
    dialogs.acknowledge();
    timer()->fire();

    // Closing hands activation to the main window, which reads the printer.
    EXPECT_EQ(log.events(),
              (QStringList{kCup, QString::fromUtf8("message: Ocorreu o erro de número 999"),
                           "ecfStatusImp()"}));
    EXPECT_TRUE(visibleAtMessage);
    EXPECT_FALSE(pollingAtMessage);
    EXPECT_EQ(fields(), (QStringList{"", "", "", "", "", "", "", "  Erro999"}));
    EXPECT_FALSE(form(kForm)->isVisible());
    EXPECT_FALSE(timer()->isEnabled());
    EXPECT_EQ(activeForm(), form("frmMain"));
}

TEST_F(CouponStatusWindow, GoodTicksRefreshTheFieldsAndKeepPolling) {
    openOn(RecordingDriver::idleCouponStatus());
    driver.queueReplies("ecfStatusCupom", {kOpenCoupon});
    timer()->fire();
    EXPECT_EQ(fields(), kOpenCouponFields);
    EXPECT_EQ(log.events(), QStringList{kCup});
    EXPECT_TRUE(timer()->isEnabled());
    EXPECT_EQ(activeForm(), form(kForm));
}

TEST_F(CouponStatusWindow, ReplyOfTwentyFiveCharactersLeavesTheTotalsEmpty) {
    openOn(kOpenCoupon);
    const QByteArray shortReply = kOpenCoupon.left(25);
    driver.queueReplies("ecfStatusCupom", {shortReply});
    timer()->fire();
    EXPECT_EQ(fields(), (QStringList{"0007", "2", "004321", "093015", "28022026", "", "",
                                     QString::fromLatin1(shortReply)}));
    EXPECT_TRUE(timer()->isEnabled());

    // Shorter still: the date is cut short, the fields after it empty.
    driver.queueReplies("ecfStatusCupom", {"00072004321093"});
    timer()->fire();
    EXPECT_EQ(fields(), (QStringList{"0007", "2", "004321", "093", "", "", "", "00072004321093"}));
}

TEST_F(CouponStatusWindow, PrinterTextIsReadInTheWindowsCodePage) {
    QByteArray reply = kOpenCoupon;
    reply.append("\xC7");  // 'Ç' in the printer's code page, after the fields
    driver.setReply("ecfStatusCupom", reply);
    trigger(kMenuItem);
    EXPECT_EQ(text("Edit8"), QString::fromLatin1(kOpenCoupon) + QString::fromUtf8("Ç"));
}

enum class WayBack { MenuItem, ClickOnTheWindow };

class CouponComingBack : public CouponStatusWindow,
                         public ::testing::WithParamInterface<WayBack> {};

TEST_P(CouponComingBack, AnotherWindowStopsPollingAndReturningQueriesOnceAndResumes) {
    openOn(kOpenCoupon);
    trigger("Statusdaimpressora1");  // the printer status window takes over
    EXPECT_EQ(log.events(), QStringList{"ecfStatusImp()"});
    EXPECT_EQ(activeForm(), form("FormStatusImp"));
    EXPECT_FALSE(timer()->isEnabled());
    EXPECT_TRUE(form(kForm)->isVisible());
    EXPECT_TRUE(control<TTimer>("FormStatusImp", "Timer1")->isEnabled());

    log.clear();
    driver.queueReplies("ecfStatusCupom", {RecordingDriver::idleCouponStatus()});
    if (GetParam() == WayBack::MenuItem) {
        trigger(kMenuItem);
    } else {
        ActivationTracker::instance().formClicked(form(kForm));
    }
    EXPECT_EQ(log.events(), QStringList{kCup});
    EXPECT_EQ(activeForm(), form(kForm));
    EXPECT_TRUE(timer()->isEnabled());
    EXPECT_FALSE(control<TTimer>("FormStatusImp", "Timer1")->isEnabled());
    EXPECT_EQ(text("Edit8"), QString::fromLatin1(RecordingDriver::idleCouponStatus()));
}

INSTANTIATE_TEST_SUITE_P(Ways, CouponComingBack,
                         ::testing::Values(WayBack::MenuItem, WayBack::ClickOnTheWindow),
                         [](const auto& info) {
                             return info.param == WayBack::MenuItem ? "MenuItem" : "Click";
                         });

TEST_F(CouponStatusWindow, FailureMessageAtActivationDoesNotActivateTheWindowAgain) {
    driver.setReply("ecfStatusCupom", kFailure);
    dialogs.acknowledge();
    trigger(kMenuItem);
    EXPECT_EQ(driver.callsOf("ecfStatusCupom").size(), 1);
    EXPECT_EQ(activeForm(), form(kForm));
    EXPECT_FALSE(timer()->isEnabled());
}

TEST_F(CouponStatusWindow, OkAndEnterCloseTheWindowAndStopPolling) {
    openOn(kOpenCoupon);
    click(kForm, "BitBtn1");
    EXPECT_FALSE(form(kForm)->isVisible());
    EXPECT_FALSE(timer()->isEnabled());
    EXPECT_EQ(log.events(), QStringList{"ecfStatusImp()"});
    // Closed, the window keeps the last reply.
    EXPECT_EQ(fields(), kOpenCouponFields);

    openOn(kOpenCoupon);
    pressEnter(kForm);  // OK is the default button
    EXPECT_FALSE(form(kForm)->isVisible());
    EXPECT_FALSE(timer()->isEnabled());
}
