// The toolkit's application-level activation: show, hide handing
// activation back, clicks, and the events that must not activate anything.
#include "toolkit/activation.h"
#include "toolkit/tform.h"

#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

QStringList journal;

class RecordingForm : public TForm {
public:
    explicit RecordingForm(const QString& name) {
        setObjectName(name);
        setCentralWidget(new QPushButton(name, this));
        resize(200, 100);
    }
    void FormActivate() override { journal.append(objectName() + " activate"); }
    void FormDeactivate() override { journal.append(objectName() + " deactivate"); }
};

class Activation : public ::testing::Test {
protected:
    void SetUp() override { journal.clear(); }
    void TearDown() override {
        ActivationTracker::instance().reset();
        journal.clear();
    }
    static void settle() {
        for (int i = 0; i < 5; ++i) {
            QApplication::processEvents();
        }
    }
    ActivationTracker& tracker = ActivationTracker::instance();
};

}  // namespace

TEST_F(Activation, ShowActivatesAndAnotherShowDeactivatesThePrevious) {
    RecordingForm a("A"), b("B");
    a.Show();
    b.Show();
    EXPECT_EQ(journal, (QStringList{"A activate", "A deactivate", "B activate"}));
    EXPECT_EQ(tracker.activeForm(), &b);
}

TEST_F(Activation, HidingTheActiveFormHandsActivationBack) {
    RecordingForm a("A"), b("B"), c("C");
    a.Show();
    b.Show();
    c.Show();
    journal.clear();
    c.Close();
    EXPECT_EQ(journal, (QStringList{"C deactivate", "B activate"}));
    b.Close();
    EXPECT_EQ(journal.mid(2), (QStringList{"B deactivate", "A activate"}));
    EXPECT_EQ(tracker.activeForm(), &a);
}

TEST_F(Activation, HidingAnInactiveFormActivatesNothing) {
    RecordingForm a("A"), b("B");
    a.Show();
    b.Show();
    journal.clear();
    a.Close();
    EXPECT_TRUE(journal.isEmpty());
    b.Close();
    EXPECT_EQ(journal, QStringList{"B deactivate"});
    EXPECT_EQ(tracker.activeForm(), nullptr);
}

TEST_F(Activation, ShowingTheActiveFormAgainDoesNotReactivateIt) {
    RecordingForm a("A");
    a.Show();
    a.Show();
    settle();
    EXPECT_EQ(journal, QStringList{"A activate"});
}

TEST_F(Activation, ClickingAnotherVisibleFormActivatesIt) {
    RecordingForm a("A"), b("B");
    a.Show();
    b.Show();
    settle();
    journal.clear();
    QWidget* target = a.centralWidget();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    EXPECT_EQ(journal, (QStringList{"B deactivate", "A activate"}));
}

TEST_F(Activation, ClosingAMessageBoxDoesNotReactivateTheFormBeneath) {
    RecordingForm a("A");
    a.Show();
    settle();
    journal.clear();
    QMessageBox box(QMessageBox::Information, "WIN_ECF", "texto", QMessageBox::Ok, &a);
    QTimer::singleShot(50, &box, [&box] { box.accept(); });
    box.exec();
    settle();
    EXPECT_TRUE(journal.isEmpty()) << journal.join(", ").toStdString();
    EXPECT_EQ(tracker.activeForm(), &a);
}

TEST_F(Activation, SwitchingToAnotherProgramAndBackActivatesNothing) {
    RecordingForm a("A");
    a.Show();
    settle();
    journal.clear();
    // What the window system sends when the operator leaves for another
    // program and comes back.
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&a, &deactivate);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&a, &activate);
    EXPECT_TRUE(journal.isEmpty());
}

TEST_F(Activation, StaleWindowSystemEchoesDoNotUndoOurActivation) {
    RecordingForm a("A"), b("B");
    a.Show();
    b.Show();  // both activations are still on their way from the window system
    settle();
    EXPECT_EQ(tracker.activeForm(), &b);
    EXPECT_EQ(journal, (QStringList{"A activate", "A deactivate", "B activate"}));
}

TEST_F(Activation, HandlerThatHidesItsOwnFormHandsActivationBack) {
    struct SelfClosing : RecordingForm {
        using RecordingForm::RecordingForm;
        void FormActivate() override {
            RecordingForm::FormActivate();
            Close();
        }
    };
    RecordingForm a("A");
    SelfClosing b("B");
    a.Show();
    b.Show();
    EXPECT_EQ(journal, (QStringList{"A activate", "A deactivate", "B activate", "B deactivate",
                                    "A activate"}));
    EXPECT_FALSE(b.isVisible());
    EXPECT_EQ(tracker.activeForm(), &a);
}
