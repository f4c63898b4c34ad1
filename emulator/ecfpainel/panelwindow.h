// The front panel's window: the paper roll, the call trace, the state and the
// controls of the emulated printer, over the same memory as the bench.
#pragma once

#include <QMainWindow>

#include <memory>

class ControlsView;
class MemoryWatch;
class PaperView;
class QLabel;
class QTimer;
class StateView;
class TraceView;

namespace Ui {
class PanelWindow;
}

class PanelWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit PanelWindow(const QString& databasePath, QWidget* parent = nullptr);
    ~PanelWindow() override;

    MemoryWatch* watch() const { return watch_; }
    PaperView* paper() const;
    TraceView* trace() const;
    StateView* state() const;
    ControlsView* controls() const;
    // The banner that says what is wrong with the memory.
    QLabel* message() const;

    // Writes the selected documents (the whole roll without a selection)
    // and the refused calls in the trace.
    bool savePdf(const QString& fileName, QString* failure) const;

    // Whether the window stays above the others (the action "Manter à
    // frente"); the choice is remembered for the next start.
    bool keepsOnTop() const;
    // Where a panel without a remembered size starts: a column at the right
    // of the screen's free area, a third of its width (never narrower than
    // the layout allows), its whole height, so the bench stays in sight.
    static QRect firstRunGeometry(const QRect& available, const QSize& minimum);
    // Whether the size and position of an earlier run were restored.
    bool restoredGeometry() const { return restoredGeometry_; }

public slots:
    void savePdfAs();
    void setKeepOnTop(bool on);

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showProblem(const QString& problem);
    void restoreLayout();
    void placeForFirstRun();
    void saveLayout() const;

    std::unique_ptr<Ui::PanelWindow> ui_;
    MemoryWatch* watch_;
    // Saves the layout a moment after it last changed: the panel is often
    // ended by a signal (run.sh ends it with the bench), never closed.
    QTimer* layoutSaver_;
    bool restoredGeometry_ = false;
};
