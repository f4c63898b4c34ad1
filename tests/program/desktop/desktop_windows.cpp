// The windows on a real X desktop with a window manager, run by
// scripts/with-desktop.sh on the xcb platform:
// - every window's frame, title bar included, lies on the screen, and no
//   control of it is cut, in the desktop's own fonts;
// - a window of fixed size tells the window manager so (minimum size equal
//   to maximum in its size hints), and the window manager then offers it no
//   resizing and no maximising, while the main window may be maximised;
// - with WINDOW_PICTURES set to a folder, a picture of each window, frame
//   and title bar included, saved there as <unit>.png.
#include "e2e/window_checks.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QThread>

namespace {

bool onDesktop() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// Lets the window manager frame the window and the window paint itself:
// a while after its frame is known, and at most ten seconds in all on a
// busy machine.
void settle(TForm* window) {
    QElapsedTimer clock;
    clock.start();
    qint64 framedAt = -1;
    while (clock.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
        const bool framed = window->frameGeometry().size() != window->size();
        if (!framed) {
            framedAt = -1;
        } else if (framedAt < 0) {
            framedAt = clock.elapsed();
        } else if (clock.elapsed() - framedAt >= 400) {
            return;
        }
    }
}

// What the window manager and the window say of it: its size hints (as
// WM_NORMAL_HINTS) and the actions the window manager allows on it.
struct WindowManagerView {
    QSize minimum;
    QSize maximum;
    QStringList allowed;
};

WindowManagerView windowManagerView(const QWidget* window) {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-id"), QString::number(window->winId()),
                 QStringLiteral("WM_NORMAL_HINTS"), QStringLiteral("_NET_WM_ALLOWED_ACTIONS")});
    if (!xprop.waitForFinished(10000)) {
        ADD_FAILURE() << "xprop did not finish";
        return {};
    }
    const QString output = QString::fromLocal8Bit(xprop.readAllStandardOutput());
    WindowManagerView view;
    static const QRegularExpression size(
        QStringLiteral("program specified (minimum|maximum) size: (\\d+) by (\\d+)"));
    for (const QRegularExpressionMatch& match : size.globalMatch(output)) {
        const QSize found(match.captured(2).toInt(), match.captured(3).toInt());
        (match.captured(1) == QLatin1String("minimum") ? view.minimum : view.maximum) = found;
    }
    static const QRegularExpression action(QStringLiteral("_NET_WM_ACTION_[A-Z_]+"));
    for (const QRegularExpressionMatch& match : action.globalMatch(output)) {
        view.allowed.append(match.captured());
    }
    return view;
}

}  // namespace

class DesktopWindows : public WindowTour {
protected:
    void SetUp() override {
        if (!onDesktop()) {
            GTEST_SKIP() << "needs an X desktop: run it through scripts/with-desktop.sh";
        }
        WindowTour::SetUp();
    }
};

TEST_F(DesktopWindows, EveryFrameLiesOnTheScreenWithNothingCut) {
    int framed = 0;
    tour([&](const TourStop& stop) {
        settle(stop.form);
        const QRect screen = stop.form->screen()->geometry();
        const QRect frame = stop.form->frameGeometry();
        SCOPED_TRACE((stop.formName + " " + stop.picture).toStdString());
        EXPECT_GT(frame.height(), stop.form->height()) << "no title bar";
        EXPECT_LE(frame.width(), screen.width());
        EXPECT_LE(frame.height(), screen.height());
        EXPECT_TRUE(screen.contains(frame))
            << "frame at " << frame.x() << "," << frame.y() << " " << frame.width() << "x"
            << frame.height() << " on a screen of " << screen.width() << "x" << screen.height();
        window_checks::checkControls(stop);
        framed += stop.picture.isEmpty() ? 0 : 1;
    });
    EXPECT_EQ(framed, 28);
}

TEST_F(DesktopWindows, FixedWindowsCanBeNeitherResizedNorMaximised) {
    int fixed = 0;
    tour([&](const TourStop& stop) {
        if (stop.picture.isEmpty()) {
            return;
        }
        settle(stop.form);
        SCOPED_TRACE(stop.picture.toStdString());
        const WindowManagerView view = windowManagerView(stop.form);
        const QStringList maximise = {QStringLiteral("_NET_WM_ACTION_MAXIMIZE_HORZ"),
                                      QStringLiteral("_NET_WM_ACTION_MAXIMIZE_VERT")};
        if (stop.form->border() == TForm::Border::Sizeable || stop.form->isMaximized()) {
            // The main window opens maximised, and may be restored and
            // maximised again.
            for (const QString& wanted : maximise) {
                EXPECT_TRUE(view.allowed.contains(wanted)) << wanted.toStdString();
            }
            return;
        }
        ++fixed;
        EXPECT_EQ(view.minimum, stop.form->size());
        EXPECT_EQ(view.maximum, stop.form->size());
        for (const QString& refused :
             maximise + QStringList{QStringLiteral("_NET_WM_ACTION_RESIZE")}) {
            EXPECT_FALSE(view.allowed.contains(refused)) << refused.toStdString();
        }
        // Moving and closing stay the window manager's to offer.
        EXPECT_TRUE(view.allowed.contains(QStringLiteral("_NET_WM_ACTION_MOVE")));
    });
    EXPECT_EQ(fixed, 26);
}

TEST_F(DesktopWindows, Pictures) {
    const QString folder = qEnvironmentVariable("WINDOW_PICTURES");
    if (folder.isEmpty()) {
        GTEST_SKIP() << "WINDOW_PICTURES names no folder";
    }
    ASSERT_TRUE(QDir().mkpath(folder));
    tour([&](const TourStop& stop) {
        if (stop.picture.isEmpty()) {
            return;
        }
        settle(stop.form);
        const QString file = QDir(folder).absoluteFilePath(stop.picture + ".png");
        QProcess import;
        import.start(QStringLiteral("import"),
                     {QStringLiteral("-frame"), QStringLiteral("-window"),
                      QString::number(stop.form->winId()), QStringLiteral("PNG8:") + file});
        ASSERT_TRUE(import.waitForFinished(30000)) << file.toStdString();
        EXPECT_EQ(import.exitCode(), 0) << import.readAllStandardError().toStdString();
        std::printf("%s\n", qPrintable(file));
    });
}
