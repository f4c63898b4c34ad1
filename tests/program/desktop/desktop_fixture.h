// The fixture of desktop tests: the real windows and real Qt boxes on a real
// X server with a window manager (scripts/with-desktop.sh starts both). The
// boxes are answered by keys sent through the X server (xdotool) once the box
// holds the keyboard, so focus, stacking and the keyboard take the path a
// desktop gives them; the window manager's own view of the active window and
// of the stacking order is read from the root window's properties.
#pragma once

#include "support/app_fixture.h"
#include "toolkit/dialogs.h"

#include <QStringList>
#include <functional>

class QWidget;

// Real Qt boxes, each answered by the next planned key once it holds the
// keyboard. Every box is recorded; a box with no planned key is answered with
// Escape and recorded as unexpected.
class DesktopDialogs final : public Dialogs {
public:
    // The keys (xdotool names: "Return", "Escape", "alt+n", ...) answering the
    // next boxes, in order. `prepare` runs on the box before its key.
    void plan(const QString& key, std::function<void(QWidget*)> prepare = {});

    const QStringList& seen() const { return seen_; }
    int unexpected() const { return unexpected_; }
    int unanswered() const { return unanswered_; }
    int planned() const { return plans_.size(); }
    void clear() { seen_.clear(); }

    void showBox(DialogKind kind, const QString& caption, const QString& text) override;
    DialogAnswer ask(DialogKind kind, const QString& caption, const QString& text) override;
    QString inputBox(const QString& caption, const QString& prompt,
                     const QString& defaultAnswer) override;
    std::optional<QColor> chooseColor(const QColor& initial) override;

private:
    struct Plan {
        QString key;
        std::function<void(QWidget*)> prepare;
    };
    void arm(const QString& text);

    QtDialogs real_;
    QList<Plan> plans_;
    QStringList seen_;
    int unexpected_ = 0;
    int unanswered_ = 0;
};

// What the window manager says.
struct DesktopState {
    unsigned long active = 0;    // _NET_ACTIVE_WINDOW
    QList<unsigned long> stack;  // _NET_CLIENT_LIST_STACKING, bottom first
    unsigned long top() const { return stack.isEmpty() ? 0 : stack.last(); }
};
DesktopState desktopState();

// Sends keys through the X server to whatever holds the keyboard.
void sendKeys(const QStringList& keys);
// Types text through the X server.
void typeText(const QString& text);

// Runs the event loop for the given time.
void waitFor(int milliseconds);

class DesktopFixture : public AppFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the program (its start-up questions scripted) and then puts real
    // boxes in place; returns once the main window holds the keyboard.
    void startOnDesktop(StartupAnswers answers = {});

    // Waits until the window manager has the window active and on top, then
    // checks that it stays so a while (a late focus change is a failure).
    // Returns an explanation when it does not hold.
    ::testing::AssertionResult staysInFront(QWidget* window);

    DesktopDialogs desktopDialogs;
};
