// Fitting a window to its layout: a hidden window is measured when it is
// first shown, takes that size fixed, and keeps it; a shown window at once.
#include "toolkit/activation.h"
#include "toolkit/tform.h"
#include "wincommon/fit.h"

#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include <gtest/gtest.h>

namespace {

const QSize kFirstSize(40, 400);

// A window far too narrow and too tall for its one label.
std::unique_ptr<TForm> labelWindow(TForm::Border border, QLabel** label = nullptr) {
    auto window = std::make_unique<TForm>();
    window->setBorder(border);
    auto* central = new QWidget(window.get());
    auto* layout = new QVBoxLayout(central);
    auto* text = new QLabel(QStringLiteral("Uma linha de texto bem mais larga"), central);
    layout->addWidget(text);
    window->setCentralWidget(central);
    window->resize(kFirstSize);
    if (label) {
        *label = text;
    }
    return window;
}

// The size the window's layout asks for, never narrower than it was.
QSize layoutSize(const QWidget& window, int widthBefore) {
    const QSize wanted = window.sizeHint().expandedTo(window.minimumSizeHint());
    return {std::max(widthBefore, wanted.width()), wanted.height()};
}

class FitWindowToLayout : public ::testing::Test {
protected:
    void TearDown() override { ActivationTracker::instance().reset(); }
};

TEST_F(FitWindowToLayout, HiddenWindowTakesItsLayoutsSizeWhenFirstShownAndKeepsIt) {
    QLabel* label = nullptr;
    const auto window = labelWindow(TForm::Border::Single, &label);
    fitWindowToLayout(window.get());
    // Measuring waits for the show: nothing is asked of the fonts before.
    EXPECT_EQ(window->size(), kFirstSize);

    window->show();
    const QSize fitted = window->size();
    EXPECT_EQ(fitted, layoutSize(*window, kFirstSize.width()));
    EXPECT_NE(fitted, kFirstSize);
    // The window's own show handling fixed it at the fitted size.
    EXPECT_EQ(window->minimumSize(), fitted);
    EXPECT_EQ(window->maximumSize(), fitted);

    // Once fitted, it is never measured again.
    window->hide();
    label->setText(label->text() + label->text());
    window->show();
    EXPECT_EQ(window->size(), fitted);
}

TEST_F(FitWindowToLayout, ShownWindowIsFittedAtOnceAndAForgottenWindowIsLeftAlone) {
    // A resizable window, which its show leaves free to change size.
    const auto shown = labelWindow(TForm::Border::Sizeable);
    shown->show();
    const int widthBefore = shown->width();
    fitWindowToLayout(shown.get());
    EXPECT_EQ(shown->size(), layoutSize(*shown, widthBefore));

    // A window closed for good before it was ever shown leaves nothing behind
    // that a later window could trip on.
    auto gone = labelWindow(TForm::Border::Single);
    fitWindowToLayout(gone.get());
    gone.reset();
    const auto next = labelWindow(TForm::Border::Single);
    next->show();
    EXPECT_EQ(next->height(), kFirstSize.height());
}

}  // namespace
