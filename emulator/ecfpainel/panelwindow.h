// The front panel's window: the paper roll, the call trace, the state and the
// controls of the emulated printer, over the same memory as the bench.
#pragma once

#include <QMainWindow>

#include <memory>

class ControlsView;
class MemoryWatch;
class PaperView;
class QLabel;
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

    // Writes the selected documents (the whole roll without a selection).
    bool savePdf(const QString& fileName, QString* failure) const;

public slots:
    void savePdfAs();

private:
    void showProblem(const QString& problem);

    std::unique_ptr<Ui::PanelWindow> ui_;
    MemoryWatch* watch_;
};
