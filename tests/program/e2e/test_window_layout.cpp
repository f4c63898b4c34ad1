// Every window fits a 1024 x 768 screen and shows all it holds: the tour of
// the windows on the emulated printer, each window checked while it is
// shown in its typical state.
#include "e2e/window_checks.h"

using namespace window_checks;

class WindowLayout : public WindowTour {};

TEST_F(WindowLayout, EveryWindowFitsTheSmallScreenWithNothingCutOnA301Printer) {
    QStringList visited;
    tour([&](const TourStop& stop) {
        visited.append(stop.formName);
        checkFits(stop);
    });
    visited.removeDuplicates();
    EXPECT_EQ(visited.size(), 27) << visited.join(' ').toStdString();
    // The tour met its windows in their usual state, not in a failure.
    for (const QString& box : tourDialogs.boxes) {
        EXPECT_FALSE(box.contains(QLatin1String("erro"), Qt::CaseInsensitive)) << box.toStdString();
    }
}

TEST_F(WindowLayout, EveryWindowOfA204PrinterFits) {
    changePrinter([](fiscemu::Settings& settings) { settings.model = fiscemu::Model::V204; });
    int visited = 0;
    tour(
        [&](const TourStop& stop) {
            visited += stop.picture.isEmpty() ? 0 : 1;
            checkFits(stop);
        },
        StartupAnswers{DialogAnswer::No, DialogAnswer::No});
    EXPECT_EQ(visited, 22);
}

// The payment window of a model-3.0 printer hides the payment condition and
// its check box; the rest closes up over them.
TEST_F(WindowLayout, PaymentWindowClosesUpOverTheHiddenConditionControls) {
    int model30Band = -1;
    int model30Height = 0;
    int model30Slack = -1;
    tour([&](const TourStop& stop) {
        if (stop.formName == QLatin1String("frmtopay")) {
            EXPECT_FALSE(control<QWidget>("frmtopay", "ComboBox1")->isVisible());
            model30Band = largestEmptyBand(stop.form);
            model30Height = stop.form->height();
            model30Slack = stop.form->centralWidget()->height() -
                           stop.form->centralWidget()->sizeHint().height();
        }
    });
    // No more than the layout's spacing between two rows of controls.
    EXPECT_GE(model30Band, 0);
    EXPECT_LE(model30Band, 12);
    EXPECT_LT(model30Height, 480);
    // The window is no taller than its controls need.
    EXPECT_GE(model30Slack, 0);
    EXPECT_LE(model30Slack, 2);
}

TEST_F(WindowLayout, PaymentWindowOfOtherPrintersShowsTheConditionWithoutGaps) {
    changePrinter([](fiscemu::Settings& settings) { settings.model = fiscemu::Model::V204; });
    int band = -1;
    int slack = -1;
    tour(
        [&](const TourStop& stop) {
            if (stop.formName == QLatin1String("frmtopay")) {
                EXPECT_TRUE(control<QWidget>("frmtopay", "ComboBox1")->isVisible());
                EXPECT_TRUE(control<QWidget>("frmtopay", "CheckBox1")->isVisible());
                band = largestEmptyBand(stop.form);
                slack = stop.form->centralWidget()->height() -
                        stop.form->centralWidget()->sizeHint().height();
            }
        },
        StartupAnswers{DialogAnswer::No, DialogAnswer::No});
    EXPECT_GE(band, 0);
    EXPECT_LE(band, 12);
    EXPECT_GE(slack, 0);
    EXPECT_LE(slack, 2);
}

// Windows of fields and options are no taller than their controls need.
TEST_F(WindowLayout, FieldWindowsHaveNoStretchedGaps) {
    QStringList checked;
    tour([&](const TourStop& stop) {
        if (stop.formName == QLatin1String("progcnf") ||
            stop.formName == QLatin1String("frmtopay")) {
            checked.append(stop.formName);
            QWidget* central = stop.form->centralWidget();
            EXPECT_LE(central->height() - central->sizeHint().height(), 2)
                << stop.formName.toStdString();
        }
    });
    EXPECT_EQ(checked, (QStringList{"progcnf", "frmtopay"}));
}

// "Cancelar" hides the header-style options; the information panel takes
// their room.
TEST_F(WindowLayout, MainWindowPanelTakesTheRoomOfTheHiddenOptions) {
    int stops = 0;
    int bandWithOptions = -1;
    int bandWithout = -1;
    int panelWithOptions = 0;
    int panelWithout = 0;
    tour([&](const TourStop& stop) {
        if (stop.formName != QLatin1String("frmMain")) {
            return;
        }
        const int band = largestEmptyBand(stop.form);
        const int panel = control<QWidget>("frmMain", "RichEdit1")->height();
        if (++stops == 2) {
            bandWithOptions = band;
            panelWithOptions = panel;
        } else if (stops == 3) {
            EXPECT_FALSE(control<QWidget>("frmMain", "CheckBox1")->isVisible());
            bandWithout = band;
            panelWithout = panel;
        }
    });
    ASSERT_EQ(stops, 3);
    EXPECT_LE(bandWithOptions, 12);
    EXPECT_LE(bandWithout, 12);
    EXPECT_GT(panelWithout, panelWithOptions);
}
