// Whose boxes these are: the owner scopes that the handler runner opens in
// the dialog service, and the form in front that activation tells it of.
#include "toolkit/activation.h"
#include "toolkit/dialogs.h"
#include "toolkit/handlers.h"
#include "toolkit/tform.h"

#include <QApplication>
#include <QWidget>
#include <memory>
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

class DialogOwner : public ::testing::Test {
protected:
    void TearDown() override { ActivationTracker::instance().reset(); }

    static std::unique_ptr<QWidget> shownWindow() {
        auto window = std::make_unique<QWidget>();
        window->resize(100, 50);
        window->show();
        return window;
    }
};

TEST_F(DialogOwner, TheInnermostScopeThatNamesAWindowDecides) {
    const auto outer = shownWindow();
    const auto inner = shownWindow();
    EXPECT_EQ(dialogOwner(), nullptr);
    {
        DialogOwnerScope outerScope(outer.get());
        EXPECT_EQ(dialogOwner(), outer.get());
        {
            // A handler that names no window leaves its boxes to the outer one.
            DialogOwnerScope unnamed(nullptr);
            EXPECT_EQ(dialogOwner(), outer.get());
            DialogOwnerScope innerScope(inner.get());
            EXPECT_EQ(dialogOwner(), inner.get());
        }
        EXPECT_EQ(dialogOwner(), outer.get());
    }
    EXPECT_EQ(dialogOwner(), nullptr);
}

TEST_F(DialogOwner, AHiddenOwnerNamesNoneAndADestroyedOneIsPassedOver) {
    const auto outer = shownWindow();
    DialogOwnerScope outerScope(outer.get());
    auto hidden = shownWindow();
    {
        DialogOwnerScope hiddenScope(hidden.get());
        hidden->hide();
        // The window that asked has gone from the screen: its boxes belong to
        // no window rather than to one behind it.
        EXPECT_EQ(dialogOwner(), nullptr);
        hidden.reset();
        EXPECT_EQ(dialogOwner(), outer.get());
    }
    EXPECT_EQ(dialogOwner(), outer.get());
}

TEST_F(DialogOwner, EveryHandlerRunsInAScopeOfItsWindow) {
    const auto window = shownWindow();
    QWidget* ownerSeen = nullptr;
    runHandler([&ownerSeen] { ownerSeen = dialogOwner(); }, window.get());
    EXPECT_EQ(ownerSeen, window.get());
    EXPECT_EQ(dialogOwner(), nullptr);
}

TEST_F(DialogOwner, ActivationTellsTheServiceWhichFormIsInFront) {
    TForm form;
    form.resize(200, 100);
    EXPECT_EQ(ActivationTracker::instance().frontWindow(), nullptr);
    form.Show();
    EXPECT_EQ(ActivationTracker::instance().frontWindow(), &form);
    // After a box of the form, or of no window, the form keeps the front; a
    // box over a window that is no form leaves that window to the box.
    EXPECT_TRUE(ActivationTracker::instance().restoreAfterBox(&form));
    EXPECT_TRUE(ActivationTracker::instance().restoreAfterBox(nullptr));
    const auto other = shownWindow();
    EXPECT_FALSE(ActivationTracker::instance().restoreAfterBox(other.get()));
    form.hide();
    EXPECT_EQ(ActivationTracker::instance().frontWindow(), nullptr);
}

}  // namespace
