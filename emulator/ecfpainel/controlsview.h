// The printer's front panel: power, paper and authentication sensors, the
// drawer, technical intervention, the model, an artificial latency, a fault
// for the next call of a function, the next day, a factory reset and the
// recording of a session. Each
// control shows the printer's current setting and changes it as the ecfsim
// command of the same name does.
#pragma once

#include <QWidget>

#include "core/device.h"
#include "ecfsim/actions.h"

class MemoryWatch;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

class ControlsView : public QWidget {
    Q_OBJECT
public:
    explicit ControlsView(QWidget* parent = nullptr);
    void setWatch(MemoryWatch* watch) { watch_ = watch; }

    // The texts of the dialogs, kept here so that tests can recognise them.
    static QString resetQuestion();

public slots:
    void showSettings(fiscemu::Device& device);
    // Asks for a function and a code, then arms the fault.
    void askFailure();
    void askReset();
    // Starts a session, or asks for its file name and writes it.
    void toggleRecording(bool start);

signals:
    // What a control did, in words (for the status bar).
    void done(const QString& message);
    // A control could not change the memory.
    void failed(const QString& message);

private:
    // One change, as `ecfsim set` makes it; `make` may refuse its value.
    bool change(const std::function<ecfsim::Change()>& make);
    // Runs one of ecfsim's actions on the memory and reports what it said.
    bool run(const std::function<ecfsim::Result(fiscemu::Device&)>& action);
    // What an action said, its lines joined by `separator`, as `done`.
    void reportDone(const std::vector<std::string>& lines, const QString& separator);
    void showPower(bool on);
    // Shows the settings and faults last read.
    void showValues();
    void showRecording(bool open);
    ecfsim::Result stopRecording(const QString& file);

    MemoryWatch* watch_ = nullptr;
    QPushButton* power_;
    QComboBox *paper_, *drawer_, *model_;
    QCheckBox *authPaper_, *intervention_;
    QSpinBox* latency_;
    QPushButton *fail_, *clearFaults_, *nextDay_, *reset_, *record_;
    QLabel* faults_;
    fiscemu::Settings shownSettings_;
    std::map<std::string, int> shownFaults_;
};
