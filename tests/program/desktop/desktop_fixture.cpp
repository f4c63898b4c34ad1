#include "desktop/desktop_fixture.h"

#include "toolkit/form_registry.h"
#include "toolkit/tform.h"

#include <QApplication>
#include <QColorDialog>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

namespace {

// How long a box may take to get the keyboard, and a window to come in front.
constexpr int kSettleLimitMs = 5000;
// How long a window must then stay in front.
constexpr int kStayMs = 600;

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << program.toStdString() << " did not finish";
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

std::string hexId(unsigned long id) {
    return "0x" + QString::number(id, 16).toStdString();
}

QList<unsigned long> windowIds(const QString& line) {
    QList<unsigned long> ids;
    static const QRegularExpression hex(QStringLiteral("0x[0-9a-fA-F]+"));
    for (const QRegularExpressionMatch& match : hex.globalMatch(line)) {
        ids.append(match.captured().toULong(nullptr, 16));
    }
    return ids;
}

}  // namespace

DesktopState desktopState() {
    DesktopState state;
    const QString output =
        run(QStringLiteral("xprop"),
            {QStringLiteral("-root"), QStringLiteral("-notype"),
             QStringLiteral("_NET_ACTIVE_WINDOW"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    for (const QString& line : output.split(u'\n')) {
        if (line.startsWith(QLatin1String("_NET_ACTIVE_WINDOW"))) {
            const QList<unsigned long> ids = windowIds(line);
            state.active = ids.isEmpty() ? 0 : ids.first();
        } else if (line.startsWith(QLatin1String("_NET_CLIENT_LIST_STACKING"))) {
            state.stack = windowIds(line);
        }
    }
    return state;
}

void sendKeys(const QStringList& keys) {
    run(QStringLiteral("xdotool"),
        QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30")} + keys);
}

void typeText(const QString& text) {
    run(QStringLiteral("xdotool"),
        {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("60"), text});
}

void waitFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// DesktopDialogs -----------------------------------------------------------

void DesktopDialogs::plan(const QString& key, std::function<void(QWidget*)> prepare) {
    plans_.append(Plan{key, std::move(prepare)});
}

void DesktopDialogs::arm(const QString& text) {
    seen_.append(text);
    Plan next{QStringLiteral("Escape"), {}};
    if (plans_.isEmpty()) {
        ++unexpected_;
        ADD_FAILURE() << "unexpected box: " << text.toStdString();
    } else {
        next = plans_.takeFirst();
    }
    // The key goes once the box is what the X server gives the keyboard to.
    auto* poll = new QTimer(qApp);
    auto* clock = new QElapsedTimer;
    clock->start();
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [this, poll, clock, next] {
        QWidget* box = QApplication::activeModalWidget();
        const bool holdsKeyboard = box && QApplication::activeWindow() == box && box->isVisible() &&
                                   desktopState().active == box->winId();
        if (holdsKeyboard) {
            poll->stop();
            if (next.prepare) {
                next.prepare(box);
            }
            sendKeys({next.key});
        } else if (clock->elapsed() > kSettleLimitMs) {
            poll->stop();
            ++unanswered_;
            ADD_FAILURE() << "the box never got the keyboard";
            if (box) {
                box->close();
            }
        } else {
            return;
        }
        poll->deleteLater();
        delete clock;
    });
    poll->start();
}

void DesktopDialogs::showBox(DialogKind kind, const QString& caption, const QString& text) {
    arm(text);
    real_.showBox(kind, caption, text);
}

DialogAnswer DesktopDialogs::ask(DialogKind kind, const QString& caption, const QString& text) {
    arm(text);
    return real_.ask(kind, caption, text);
}

QString DesktopDialogs::inputBox(const QString& caption, const QString& prompt,
                                 const QString& defaultAnswer) {
    arm(prompt);
    return real_.inputBox(caption, prompt, defaultAnswer);
}

std::optional<QColor> DesktopDialogs::chooseColor(const QColor& initial) {
    arm(QStringLiteral("color: ") + initial.name());
    return real_.chooseColor(initial);
}

// DesktopFixture -----------------------------------------------------------

void DesktopFixture::SetUp() {
    AppFixture::SetUp();
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"))
        << "desktop tests run on an X server (scripts/with-desktop.sh)";
    // Without a window manager nothing is ever stacked or active, and every
    // test would fail far from the cause.
    ASSERT_TRUE(run(QStringLiteral("xprop"),
                    {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                    .contains(QLatin1String("window id")))
        << "no window manager runs on " << qgetenv("DISPLAY").toStdString();
}

void DesktopFixture::TearDown() {
    EXPECT_EQ(desktopDialogs.planned(), 0) << "planned keys left unused";
    EXPECT_EQ(desktopDialogs.unexpected(), 0);
    setDialogs(&dialogs);
    AppFixture::TearDown();
}

void DesktopFixture::startOnDesktop(StartupAnswers answers) {
    startApplication(answers);
    setDialogs(&desktopDialogs);
    TForm* main = form(QStringLiteral("frmMain"));
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(staysInFront(main));
}

::testing::AssertionResult DesktopFixture::staysInFront(QWidget* window) {
    QElapsedTimer clock;
    clock.start();
    DesktopState state;
    // Until the window manager has caught up ...
    while (true) {
        state = desktopState();
        if (state.active == window->winId() && state.top() == window->winId()) {
            break;
        }
        if (clock.elapsed() > kSettleLimitMs) {
            return ::testing::AssertionFailure()
                   << window->objectName().toStdString() << " (" << hexId(window->winId())
                   << ") never came in front: active " << hexId(state.active) << ", top "
                   << hexId(state.top());
        }
        waitFor(30);
    }
    // ... and then for a while: a window that loses the front afterwards
    // lost a race.
    QElapsedTimer stay;
    stay.start();
    while (stay.elapsed() < kStayMs) {
        waitFor(50);
        state = desktopState();
        if (state.active != window->winId() || state.top() != window->winId()) {
            return ::testing::AssertionFailure()
                   << window->objectName().toStdString() << " lost the front after "
                   << stay.elapsed() << " ms: active " << hexId(state.active) << ", top "
                   << hexId(state.top());
        }
    }
    if (QApplication::activeWindow() != window) {
        return ::testing::AssertionFailure()
               << "Qt has another active window than " << window->objectName().toStdString();
    }
    if (QApplication::activeModalWidget()) {
        return ::testing::AssertionFailure() << "a box is still open";
    }
    return ::testing::AssertionSuccess();
}
