// The windows on a real X desktop with a window manager, run by
// scripts/with-desktop.sh on the xcb platform:
// - every window's frame, title bar included, lies on the screen, and no
//   control of it is cut, in the desktop's own fonts;
// - with WINDOW_PICTURES set to a folder, a picture of each window, frame
//   and title bar included, saved there as <unit>.png.
#include "e2e/window_checks.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
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
