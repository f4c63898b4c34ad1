#include "ecfpainel/panelwindow.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>

#include "ecfpainel/controlsview.h"
#include "ecfpainel/memorywatch.h"
#include "ecfpainel/paperview.h"
#include "ecfpainel/stateview.h"
#include "ecfpainel/traceview.h"
#include "ui_panelwindow.h"

PanelWindow::PanelWindow(const QString& databasePath, QWidget* parent)
    : QMainWindow(parent), ui_(new Ui::PanelWindow), watch_(new MemoryWatch(databasePath, this)) {
    ui_->setupUi(this);
    // The application's name follows the memory's path in the title bar.
    setWindowTitle(QDir::toNativeSeparators(watch_->databasePath()));
    ui_->mainSplitter->setStretchFactor(0, 0);
    ui_->mainSplitter->setStretchFactor(1, 1);
    ui_->rightSplitter->setStretchFactor(0, 3);
    ui_->rightSplitter->setStretchFactor(1, 2);
    ui_->printerControls->setWatch(watch_);

    connect(watch_, &MemoryWatch::paperRows, ui_->paperRoll, &PaperView::appendRows);
    connect(watch_, &MemoryWatch::paperRestarted, ui_->paperRoll, &PaperView::restart);
    connect(watch_, &MemoryWatch::traceRows, ui_->traceBox, &TraceView::appendRows);
    connect(watch_, &MemoryWatch::traceRestarted, ui_->traceBox, &TraceView::restart);
    connect(watch_, &MemoryWatch::stateRead, ui_->printerState, &StateView::showState);
    connect(watch_, &MemoryWatch::stateRead, ui_->printerControls, &ControlsView::showSettings);
    connect(watch_, &MemoryWatch::problemChanged, this, &PanelWindow::showProblem);
    connect(ui_->printerControls, &ControlsView::done, this,
            [this](const QString& message) { statusBar()->showMessage(message, 8000); });
    connect(ui_->printerControls, &ControlsView::failed, this, [this](const QString& message) {
        statusBar()->showMessage(message);
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Erro"), message, QMessageBox::Ok,
                        this);
        box.setObjectName(QStringLiteral("dlgErro"));
        box.exec();
    });
    connect(ui_->actionSavePdf, &QAction::triggered, this, &PanelWindow::savePdfAs);
    connect(ui_->actionQuit, &QAction::triggered, this, &QWidget::close);

    watch_->poll();
}

PanelWindow::~PanelWindow() = default;

PaperView* PanelWindow::paper() const {
    return ui_->paperRoll;
}
TraceView* PanelWindow::trace() const {
    return ui_->traceBox;
}
StateView* PanelWindow::state() const {
    return ui_->printerState;
}
ControlsView* PanelWindow::controls() const {
    return ui_->printerControls;
}
QLabel* PanelWindow::message() const {
    return ui_->panelMessage;
}

void PanelWindow::showProblem(const QString& problem) {
    ui_->panelMessage->setText(problem);
    ui_->panelMessage->setVisible(!problem.isEmpty());
    ui_->printerState->setStale(!problem.isEmpty());
    if (!problem.isEmpty())
        statusBar()->showMessage(problem);
    else
        statusBar()->clearMessage();
}

bool PanelWindow::savePdf(const QString& fileName, QString* failure) const {
    return PaperView::writePdf(ui_->paperRoll->selectedDocuments(), fileName, failure);
}

void PanelWindow::savePdfAs() {
    const bool selection = ui_->paperRoll->textCursor().hasSelection();
    QString fileName = QFileDialog::getSaveFileName(
        this,
        selection ? QStringLiteral("Salvar os documentos selecionados como PDF")
                  : QStringLiteral("Salvar a bobina como PDF"),
        QStringLiteral("bobina.pdf"), QStringLiteral("Documentos PDF (*.pdf)"));
    if (fileName.isEmpty())
        return;
    if (!fileName.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        fileName += QLatin1String(".pdf");
    QString failure;
    if (!savePdf(fileName, &failure)) {
        QMessageBox::critical(this, QStringLiteral("Erro"), failure);
        return;
    }
    statusBar()->showMessage(QStringLiteral("Bobina salva em %1").arg(fileName), 8000);
}
