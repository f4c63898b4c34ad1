// The printer status window: the reply field by field, the state in words,
// and polling that runs only while the window is the active one.
#include "support/app_fixture.h"
#include "toolkit/activation.h"
#include "toolkit/tform.h"
#include "toolkit/ttimer.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace {

const QString kForm = QStringLiteral("FormStatusImp");
const QString kMenuItem = QStringLiteral("Statusdaimpressora1");
const QString kImp = QStringLiteral("ecfStatusImp()");

// Users 01, state 065, sensors 0, 1, 1.
const QByteArray kSelling = QByteArrayLiteral("01065011");
const QByteArray kFailure = QByteArrayLiteral("Erro: 004");

}  // namespace

class PrinterStatusWindow : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
    }

    TTimer* timer() const { return control<TTimer>(kForm, "Timer1"); }
    QString text(const char* edit) const { return control<QLineEdit>(kForm, edit)->text(); }
    // Edit1 to Edit7, in their order.
    QStringList fields() const {
        QStringList result;
        for (int i = 1; i <= 7; ++i) {
            result.append(control<QLineEdit>(kForm, QStringLiteral("Edit%1").arg(i))->text());
        }
        return result;
    }
    // Opens the window on the given reply and forgets what that did.
    void openOn(const QByteArray& reply) {
        driver.queueReplies("ecfStatusImp", {reply});
        trigger(kMenuItem);
        log.clear();
    }
};

TEST_F(PrinterStatusWindow, LayoutBeforeTheFirstOpening) {
    TForm* window = form(kForm);
    EXPECT_EQ(window->windowTitle(), "Status da Impressora");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->border(), TForm::Border::SingleDialog);
    EXPECT_EQ(timer()->interval(), 1000);
    EXPECT_FALSE(timer()->isEnabled());

    const QList<QPair<const char*, const char*>> labels = {
        {"Label1", "Total de Usuários:"},
        {"Label2", "Estado Interno (código numérico):"},
        {"Label3", "Avaliação do estado interno:"},
        {"Label4", "Sensor de Pouco Papel:"},
        {"Label5", "Sensor de Autenticação:"},
        {"Label6", "Sensor da Gaveta:"},
        {"Label7", "String proveniente da DLL:"},
        {"Label8", "0 = papel presente; 1 = papel próximo do fim"},
        {"Label9", "0 = papel presente; 1 = papel ausente"},
        {"Label10", "0 = gaveta aberta; 1 = gaveta fechada ou ausente"},
    };
    for (const auto& [name, caption] : labels) {
        EXPECT_EQ(control<QLabel>(kForm, name)->text(), QString::fromUtf8(caption)) << name;
    }
    EXPECT_EQ(control<QAbstractButton>(kForm, "BitBtn1")->text(), "OK");

    EXPECT_EQ(fields(), (QStringList{"", "", "", "", "", "", "Edit7"}));
    for (int i = 1; i <= 6; ++i) {
        EXPECT_TRUE(control<QLineEdit>(kForm, QStringLiteral("Edit%1").arg(i))->isReadOnly()) << i;
    }
    EXPECT_FALSE(control<QLineEdit>(kForm, "Edit7")->isReadOnly());
    EXPECT_FALSE(control<QLineEdit>(kForm, "Edit1")->focusPolicy() & Qt::TabFocus);
    EXPECT_TRUE(control<QLineEdit>(kForm, "Edit2")->focusPolicy() & Qt::TabFocus);
}

TEST_F(PrinterStatusWindow, MenuItemShowsTheReplyFieldByFieldAndStartsPolling) {
    driver.setReply("ecfStatusImp", kSelling);
    trigger(kMenuItem);

    EXPECT_EQ(log.events(), QStringList{kImp});
    EXPECT_TRUE(form(kForm)->isVisible());
    EXPECT_EQ(activeForm(), form(kForm));
    EXPECT_EQ(fields(), (QStringList{"01", "065", "em venda", "0", "1", "1", "01065011"}));
    EXPECT_TRUE(timer()->isEnabled());
}

TEST_F(PrinterStatusWindow, FieldsFillInTheirOrderAfterTheQueryEmptiedThem) {
    openOn(kSelling);
    click(kForm, "BitBtn1");

    // Each change of a field, in order, from the moment of the query on.
    QStringList changes;
    bool querying = false;
    for (int i = 1; i <= 7; ++i) {
        const QString name = QStringLiteral("Edit%1").arg(i);
        QObject::connect(control<QLineEdit>(kForm, name), &QLineEdit::textChanged,
                         [&, name](const QString& value) {
                             if (querying) {
                                 changes.append(name + "=" + value);
                             }
                         });
    }
    QStringList atQuery;
    driver.onCall("ecfStatusImp", [&] {
        if (form(kForm)->isVisible()) {
            atQuery = fields();
            querying = true;
        }
    });
    driver.queueReplies("ecfStatusImp", {"02100100"});
    trigger(kMenuItem);

    // The last reply and the "Edit7" default are gone before the query.
    EXPECT_EQ(atQuery, (QStringList{"", "", "", "", "", "", ""}));
    EXPECT_EQ(changes, (QStringList{"Edit7=02100100", "Edit1=02", "Edit2=100", "Edit4=1", "Edit5=0",
                                    "Edit6=0", QString::fromUtf8("Edit3=em período de venda")}));
}

struct StateRow {
    const char* name;
    const char* stateCharacters;
    const char* atActivation;
    const char* onTick;
};

class EachState : public PrinterStatusWindow, public ::testing::WithParamInterface<StateRow> {};

TEST_P(EachState, WordsAtActivationAndOnEachTick) {
    const StateRow row = GetParam();
    const QByteArray reply = QByteArray("01") + row.stateCharacters + "000";
    driver.setReply("ecfStatusImp", reply);
    trigger(kMenuItem);
    EXPECT_EQ(text("Edit2"), QString::fromLatin1(row.stateCharacters));
    EXPECT_EQ(text("Edit3"), QString::fromUtf8(row.atActivation));

    // A tick from another state shows the words of the tick's reply.
    driver.setReply("ecfStatusImp", "01000000");
    timer()->fire();
    EXPECT_EQ(text("Edit3"), "livre");
    driver.setReply("ecfStatusImp", reply);
    timer()->fire();
    EXPECT_EQ(text("Edit3"), QString::fromUtf8(row.onTick));
    EXPECT_TRUE(timer()->isEnabled());
    EXPECT_EQ(driver.callsOf("ecfStatusImp").size(), 3);
}

INSTANTIATE_TEST_SUITE_P(
    StateTable, EachState,
    ::testing::Values(
        StateRow{"Idle", "000", "livre", "livre"},
        StateRow{"Selling", "065", "em venda", "em venda"},
        StateRow{"CouponOpen", "090", "cupom aberto", "cupom aberto"},
        StateRow{"Intervention", "099", "em intervenção técnica", "em intervenção técnica"},
        StateRow{"SalesPeriod", "100", "em período de venda", "em período de venda"},
        StateRow{"WaitingForClosing", "113", "esperando fechamento", "esperando fechamento"},
        StateRow{"DayClosed", "115", "fechamento do dia já feito", "fechamento do dia já feito"},
        StateRow{"InReport", "122", "relatório", "relatório"},
        StateRow{"InPayment", "123", "em pagamento", "em pagamento"},
        StateRow{"CommercialLines", "124", "em linha comercial", "em linha comercial"},
        // Not the character 'e' (101): an unknown code.
        StateRow{"Code101", "101", "EM ESTADO DESCONHECIDO", "em estado desconhecido"},
        // The codes are decimal numbers, leading blanks allowed.
        StateRow{"BlankBeforeDigits", " 65", "em venda", "em venda"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PrinterStatusWindow, UnreachableAtOpeningShowsOneMessageAndStaysOpenWithoutPolling) {
    // A good reply first, so that emptying the fields shows.
    openOn(kSelling);
    click(kForm, "BitBtn1");
    log.clear();

    driver.queueReplies("ecfStatusImp", {kFailure});
    QStringList atMessage;
    dialogs.onBox([&](const RecordedBox&) { atMessage = fields(); });
    dialogs.acknowledge();
    trigger(kMenuItem);

    EXPECT_EQ(log.events(),
              (QStringList{kImp, QString::fromUtf8("message: Ocorreu o erro de número 004")}));
    EXPECT_EQ(dialogs.boxes().first().caption, "WIN_ECF");
    EXPECT_EQ(atMessage, (QStringList{"", "", "", "", "", "", ""}));
    EXPECT_EQ(fields(), (QStringList{"", "", "EM ESTADO DESCONHECIDO", "", "", "", ""}));
    EXPECT_FALSE(timer()->isEnabled());
    EXPECT_TRUE(form(kForm)->isVisible());
    EXPECT_EQ(activeForm(), form(kForm));
}

TEST_F(PrinterStatusWindow, ErrorNumberIsShownAsItsThreeCharactersWhereverErroStands) {
    // "Erro" after position 1 still makes a failure reply; the number is
    // not converted.
    driver.queueReplies("ecfStatusImp", {"01Erro0A7xyz"});
    dialogs.acknowledge();
    trigger(kMenuItem);
    EXPECT_EQ(dialogs.texts(), QStringList{QString::fromUtf8("Ocorreu o erro de número 0A7")});
    EXPECT_EQ(text("Edit2"), "");
    EXPECT_FALSE(timer()->isEnabled());
}

TEST_F(PrinterStatusWindow, GoodTicksRefreshEveryFieldAndKeepPolling) {
    openOn(kSelling);
    driver.queueReplies("ecfStatusImp", {"03090100", "03124001"});
    timer()->fire();
    EXPECT_EQ(fields(), (QStringList{"03", "090", "cupom aberto", "1", "0", "0", "03090100"}));
    timer()->fire();
    EXPECT_EQ(fields(),
              (QStringList{"03", "124", "em linha comercial", "0", "0", "1", "03124001"}));
    EXPECT_EQ(log.events(), (QStringList{kImp, kImp}));
    EXPECT_TRUE(timer()->isEnabled());
    EXPECT_EQ(activeForm(), form(kForm));
}

TEST_F(PrinterStatusWindow, FailureWhilePollingShowsOneMessageAndClosesTheWindow) {
    openOn(kSelling);
    driver.queueReplies("ecfStatusImp", {kFailure});
    bool visibleAtMessage = false;
    bool pollingAtMessage = true;
    QStringList atMessage;
    dialogs.onBox([&](const RecordedBox&) {
        visibleAtMessage = form(kForm)->isVisible();
        pollingAtMessage = timer()->isEnabled();
        atMessage = fields();
    });
    dialogs.acknowledge();
    timer()->fire();

    // The main window, active again, reads the printer (answering again).
    EXPECT_EQ(
        log.events(),
        (QStringList{kImp, QString::fromUtf8("message: Ocorreu o erro de número 004"), kImp}));
    EXPECT_TRUE(visibleAtMessage);
    EXPECT_FALSE(pollingAtMessage);
    EXPECT_EQ(atMessage, (QStringList{"", "", "", "", "", "", "Erro: 004"}));
    EXPECT_FALSE(form(kForm)->isVisible());
    EXPECT_FALSE(timer()->isEnabled());
    EXPECT_EQ(activeForm(), form("frmMain"));
    EXPECT_EQ(fields(), (QStringList{"", "", "em estado desconhecido", "", "", "", "Erro: 004"}));
}

TEST_F(PrinterStatusWindow, PrinterUnpluggedWhilePollingAlsoFailsTheMainWindowsQuery) {
    openOn(kSelling);
    driver.setReply("ecfStatusImp", kFailure);
    dialogs.acknowledge(3);
    timer()->fire();
    const QString message = QString::fromUtf8("message: Ocorreu o erro de número 004");
    EXPECT_EQ(log.events(),
              (QStringList{kImp, message, kImp, message,
                           QString::fromUtf8("message: Verifique se a impressora está fora de "
                                             "linha, desligada ou desconectada")}));
    EXPECT_FALSE(form(kForm)->isVisible());
    EXPECT_FALSE(timer()->isEnabled());
}

TEST_F(PrinterStatusWindow, NonNumericStateAtActivationLeavesTheWordsEmptyAndPollingOn) {
    driver.setReply("ecfStatusImp", "01A65011");
    dialogs.acknowledge();
    trigger(kMenuItem);
    EXPECT_EQ(log.events(), (QStringList{kImp, "exception: 'A65' is not a valid integer value"}));
    EXPECT_EQ(fields(), (QStringList{"01", "A65", "", "0", "1", "1", "01A65011"}));
    EXPECT_TRUE(timer()->isEnabled());
    EXPECT_TRUE(form(kForm)->isVisible());
    EXPECT_EQ(activeForm(), form(kForm));
}

TEST_F(PrinterStatusWindow, NonNumericStateOnATickKeepsThePreviousWordsAndPolling) {
    openOn(kSelling);
    driver.queueReplies("ecfStatusImp", {"02x9 100", kSelling});
    dialogs.acknowledge();
    timer()->fire();
    EXPECT_EQ(fields(), (QStringList{"02", "x9 ", "em venda", "1", "0", "0", "02x9 100"}));
    timer()->fire();
    EXPECT_EQ(log.events(),
              (QStringList{kImp, "exception: 'x9 ' is not a valid integer value", kImp}));
    EXPECT_EQ(text("Edit2"), "065");
    EXPECT_TRUE(timer()->isEnabled());
}

TEST_F(PrinterStatusWindow, ShortReplyGivesShortFields) {
    driver.setReply("ecfStatusImp", "0106");
    trigger(kMenuItem);
    EXPECT_EQ(fields(), (QStringList{"01", "06", "EM ESTADO DESCONHECIDO", "", "", "", "0106"}));
    EXPECT_TRUE(timer()->isEnabled());
}

// How the operator comes back to the window after working in another one.
enum class WayBack { MenuItem, ClickOnTheWindow };

class ComingBack : public PrinterStatusWindow, public ::testing::WithParamInterface<WayBack> {};

TEST_P(ComingBack, AnotherWindowStopsPollingAndReturningQueriesOnceAndResumes) {
    openOn(kSelling);
    trigger("Finalizavenda1");  // shows the operator window
    EXPECT_EQ(activeForm(), form("frmopera"));
    EXPECT_FALSE(timer()->isEnabled());
    EXPECT_TRUE(form(kForm)->isVisible());
    EXPECT_TRUE(log.events().isEmpty());

    driver.queueReplies("ecfStatusImp", {"01100000"});
    if (GetParam() == WayBack::MenuItem) {
        trigger(kMenuItem);
    } else {
        ActivationTracker::instance().formClicked(form(kForm));
    }
    EXPECT_EQ(log.events(), QStringList{kImp});
    EXPECT_EQ(activeForm(), form(kForm));
    EXPECT_TRUE(timer()->isEnabled());
    EXPECT_EQ(text("Edit3"), QString::fromUtf8("em período de venda"));

    // Choosing the menu item while the window is active changes nothing.
    trigger(kMenuItem);
    EXPECT_EQ(log.events(), QStringList{kImp});
}

INSTANTIATE_TEST_SUITE_P(Ways, ComingBack,
                         ::testing::Values(WayBack::MenuItem, WayBack::ClickOnTheWindow),
                         [](const auto& info) {
                             return info.param == WayBack::MenuItem ? "MenuItem" : "Click";
                         });

TEST_F(PrinterStatusWindow, MainWindowTakingOverStopsPolling) {
    openOn(kSelling);
    ActivationTracker::instance().formClicked(form("frmMain"));
    // The main window reads the printer for its panel; this window not.
    EXPECT_EQ(log.events(), QStringList{kImp});
    EXPECT_FALSE(timer()->isEnabled());
    EXPECT_EQ(activeForm(), form("frmMain"));
}

TEST_F(PrinterStatusWindow, MessageBoxesNeitherStopNorRestartPolling) {
    openOn(kSelling);
    // The conversion error's box comes from a tick; polling goes on and no
    // query follows the box.
    driver.queueReplies("ecfStatusImp", {"01??0011"});
    dialogs.acknowledge();
    timer()->fire();
    EXPECT_EQ(log.events(), (QStringList{kImp, "exception: '??0' is not a valid integer value"}));
    EXPECT_TRUE(timer()->isEnabled());
    EXPECT_EQ(activeForm(), form(kForm));
    timer()->fire();
    EXPECT_EQ(driver.callsOf("ecfStatusImp").size(), 3);
}

TEST_F(PrinterStatusWindow, OkAndTheCloseBoxHideTheWindowAndStopPolling) {
    openOn(kSelling);
    click(kForm, "BitBtn1");
    EXPECT_FALSE(form(kForm)->isVisible());
    EXPECT_FALSE(timer()->isEnabled());
    EXPECT_EQ(log.events(), QStringList{kImp});  // the main window's query
    EXPECT_EQ(activeForm(), form("frmMain"));

    // Fields keep the last reply while hidden.
    EXPECT_EQ(text("Edit7"), "01065011");

    openOn(kSelling);
    form(kForm)->close();
    EXPECT_FALSE(form(kForm)->isVisible());
    EXPECT_FALSE(timer()->isEnabled());
}

// The activation model with a real modal box on screen: neither raising nor
// closing it activates the window again, and a tick that comes while it is
// open waits for the next one instead of raising a second box.
TEST_F(PrinterStatusWindow, RealModalBoxOverTheWindowDoesNotActivateItAgain) {
    QtDialogs realDialogs;
    setDialogs(&realDialogs);
    QPointer<QMessageBox> firstBox;
    int boxesClosed = 0;
    int callsWhileOpen = -1;
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            return;
        }
        if (!firstBox) {
            // A tick of the window's timer while the box is open.
            firstBox = box;
            QTimer::singleShot(0, [&] {
                timer()->fire();
                callsWhileOpen = driver.callsOf("ecfStatusImp").size();
            });
        } else if (box != firstBox || callsWhileOpen >= 0) {
            box->accept();
            ++boxesClosed;
        }
    });
    closer.start();

    // The state characters raise the conversion error over the window.
    driver.setReply("ecfStatusImp", "01A65011");
    trigger(kMenuItem);
    QEventLoop settle;
    QTimer::singleShot(200, &settle, &QEventLoop::quit);
    settle.exec();
    closer.stop();
    setDialogs(&dialogs);

    EXPECT_EQ(boxesClosed, 1);
    EXPECT_EQ(callsWhileOpen, 1);
    EXPECT_EQ(driver.callsOf("ecfStatusImp").size(), 1);
    EXPECT_EQ(activeForm(), form(kForm));
    EXPECT_TRUE(timer()->isEnabled());
}
