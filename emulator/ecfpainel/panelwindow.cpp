#include "ecfpainel/panelwindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>

#include "ecfpainel/controlsview.h"
#include "ecfpainel/memorywatch.h"
#include "ecfpainel/paperview.h"
#include "ecfpainel/stateview.h"
#include "ecfpainel/traceview.h"
#include "ui_panelwindow.h"

namespace {
// The panel's own settings: $XDG_CONFIG_HOME/bancada-ecf/ecfpainel.conf.
QSettings panelSettings() {
    return QSettings(QStringLiteral("bancada-ecf"), QStringLiteral("ecfpainel"));
}
const QString kGeometry = QStringLiteral("window/geometry");
const QString kMainSplitter = QStringLiteral("window/mainSplitter");
const QString kRightSplitter = QStringLiteral("window/rightSplitter");
const QString kLowerSplitter = QStringLiteral("window/lowerSplitter");
const QString kKeepOnTop = QStringLiteral("window/keepOnTop");
}  // namespace

PanelWindow::PanelWindow(const QString& databasePath, QWidget* parent)
    : QMainWindow(parent),
      ui_(new Ui::PanelWindow),
      watch_(new MemoryWatch(databasePath, this)),
      layoutSaver_(new QTimer(this)) {
    ui_->setupUi(this);
    // The application's name follows the memory's path in the title bar.
    setWindowTitle(QDir::toNativeSeparators(watch_->databasePath()));
    ui_->mainSplitter->setStretchFactor(0, 0);
    ui_->mainSplitter->setStretchFactor(1, 1);
    ui_->rightSplitter->setStretchFactor(0, 3);
    ui_->rightSplitter->setStretchFactor(1, 2);
    ui_->lowerSplitter->setStretchFactor(0, 1);
    ui_->lowerSplitter->setStretchFactor(1, 1);
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
    connect(ui_->keepOnTop, &QAction::toggled, this, &PanelWindow::setKeepOnTop);
    restoreLayout();
    if (!restoredGeometry_ && screen())
        placeForFirstRun();
    layoutSaver_->setSingleShot(true);
    layoutSaver_->setInterval(500);
    connect(layoutSaver_, &QTimer::timeout, this, &PanelWindow::saveLayout);
    for (QSplitter* splitter : {ui_->mainSplitter, ui_->rightSplitter, ui_->lowerSplitter})
        connect(splitter, &QSplitter::splitterMoved, layoutSaver_, qOverload<>(&QTimer::start));
    connect(ui_->actionQuit, &QAction::triggered, this, &QWidget::close);

    watch_->poll();
}

PanelWindow::~PanelWindow() = default;

QRect PanelWindow::firstRunGeometry(const QRect& available, const QSize& minimum) {
    // Room for the window manager's title bar and borders around the
    // client area, which is what a geometry places.
    const QSize frame(8, 32);
    const int width = std::min(std::max(available.width() / 3, minimum.width()),
                               available.width() - frame.width());
    const int height = std::max(available.height() - frame.height(), minimum.height());
    return QRect(available.right() - frame.width() / 2 - width + 1,
                 available.top() + frame.height() - frame.width() / 2, width, height);
}

void PanelWindow::placeForFirstRun() {
    setGeometry(firstRunGeometry(screen()->availableGeometry(), minimumSizeHint()));
    // In a narrow column the state and the controls go one over the other.
    const int sideBySide = 2 * ui_->paperRoll->sizeHint().width();
    if (width() < sideBySide)
        ui_->lowerSplitter->setOrientation(Qt::Vertical);
}

void PanelWindow::restoreLayout() {
    const QSettings settings = panelSettings();
    restoredGeometry_ = restoreGeometry(settings.value(kGeometry).toByteArray());
    ui_->mainSplitter->restoreState(settings.value(kMainSplitter).toByteArray());
    ui_->rightSplitter->restoreState(settings.value(kRightSplitter).toByteArray());
    ui_->lowerSplitter->restoreState(settings.value(kLowerSplitter).toByteArray());
    ui_->keepOnTop->setChecked(settings.value(kKeepOnTop, false).toBool());
}

void PanelWindow::saveLayout() const {
    QSettings settings = panelSettings();
    settings.setValue(kGeometry, saveGeometry());
    settings.setValue(kMainSplitter, ui_->mainSplitter->saveState());
    settings.setValue(kRightSplitter, ui_->rightSplitter->saveState());
    settings.setValue(kLowerSplitter, ui_->lowerSplitter->saveState());
}

void PanelWindow::closeEvent(QCloseEvent* event) {
    layoutSaver_->stop();
    saveLayout();
    QMainWindow::closeEvent(event);
}

void PanelWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (isVisible())
        layoutSaver_->start();
}

void PanelWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (isVisible())
        layoutSaver_->start();
}

bool PanelWindow::keepsOnTop() const {
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void PanelWindow::setKeepOnTop(bool on) {
    if (ui_->keepOnTop->isChecked() != on)
        ui_->keepOnTop->setChecked(on);  // comes back here through toggled
    panelSettings().setValue(kKeepOnTop, on);
    if (keepsOnTop() == on)
        return;
    // Changing a window's flags takes it off the screen: it comes back where it was.
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (shown)
        show();
}

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
    return PaperView::writePdf(ui_->paperRoll->selectedDocuments(), fileName, failure,
                               ui_->traceBox->refusalLines());
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
