#include "ecfpainel/controlsview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/clock.h"
#include "core/state.h"
#include "ecfpainel/memorywatch.h"
#include "ecfsim/recording.h"

namespace {

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

ControlsView::ControlsView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("printerControls"));

    power_ = new QPushButton(this);
    power_->setObjectName(QStringLiteral("powerSwitch"));
    power_->setCheckable(true);
    power_->setMinimumHeight(34);
    power_->setToolTip(
        QStringLiteral("Liga e desliga a impressora: desligada, ela não responde "
                       "(79)."));

    paper_ = new QComboBox(this);
    paper_->setObjectName(QStringLiteral("paperSensor"));
    paper_->addItems({QStringLiteral("Papel presente"), QStringLiteral("Pouco papel"),
                      QStringLiteral("Sem papel")});
    authPaper_ = new QCheckBox(QStringLiteral("Documento na autenticação"), this);
    authPaper_->setObjectName(QStringLiteral("authPaper"));
    drawer_ = new QComboBox(this);
    drawer_->setObjectName(QStringLiteral("drawerSensor"));
    drawer_->addItems({QStringLiteral("Gaveta fechada"), QStringLiteral("Gaveta aberta"),
                       QStringLiteral("Sem gaveta")});
    intervention_ = new QCheckBox(QStringLiteral("Intervenção técnica"), this);
    intervention_->setObjectName(QStringLiteral("intervention"));
    model_ = new QComboBox(this);
    model_->setObjectName(QStringLiteral("modelSelect"));
    model_->addItems({QStringLiteral("2.04"), QStringLiteral("3.00"), QStringLiteral("3.01")});
    latency_ = new QSpinBox(this);
    latency_->setObjectName(QStringLiteral("latency"));
    latency_->setRange(0, 60000);
    latency_->setSingleStep(50);
    latency_->setSuffix(QStringLiteral(" ms"));
    latency_->setKeyboardTracking(false);
    latency_->setToolTip(QStringLiteral("Cada chamada espera este tempo antes de responder."));

    fail_ = new QPushButton(QStringLiteral("Falhar a próxima chamada de..."), this);
    fail_->setObjectName(QStringLiteral("failButton"));
    faults_ = new QLabel(this);
    faults_->setObjectName(QStringLiteral("pendingFaults"));
    faults_->setWordWrap(true);
    clearFaults_ = new QPushButton(QStringLiteral("Desfazer falhas pendentes"), this);
    clearFaults_->setObjectName(QStringLiteral("clearFaultsButton"));
    nextDay_ = new QPushButton(QStringLiteral("Avançar um dia"), this);
    nextDay_->setObjectName(QStringLiteral("nextDayButton"));
    reset_ = new QPushButton(QStringLiteral("Reiniciar memória"), this);
    reset_->setObjectName(QStringLiteral("resetButton"));
    record_ = new QPushButton(this);
    record_->setObjectName(QStringLiteral("recordSession"));
    record_->setCheckable(true);
    record_->setToolTip(
        QStringLiteral("Grava cada chamada feita à biblioteca, com a memória do início, para "
                       "reproduzir depois com 'ecfsim replay'."));

    auto* sensors = new QFormLayout;
    sensors->addRow(QStringLiteral("Energia:"), power_);
    sensors->addRow(QStringLiteral("Bobina:"), paper_);
    sensors->addRow(QString(), authPaper_);
    sensors->addRow(QStringLiteral("Gaveta:"), drawer_);
    sensors->addRow(QString(), intervention_);
    sensors->addRow(QStringLiteral("Modelo:"), model_);
    sensors->addRow(QStringLiteral("Latência:"), latency_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(sensors);
    layout->addWidget(fail_);
    layout->addWidget(faults_);
    layout->addWidget(clearFaults_);
    auto* days = new QHBoxLayout;
    days->addWidget(nextDay_);
    days->addWidget(reset_);
    layout->addLayout(days);
    layout->addWidget(record_);
    layout->addStretch(1);

    connect(power_, &QPushButton::clicked, this, [this](bool on) {
        showPower(on);
        change([on] { return ecfsim::powerChange(on); });
    });
    // The lists show the levels, drawer states and models in their own order.
    connect(paper_, &QComboBox::activated, this,
            [this](int level) { change([level] { return ecfsim::paperChange(level); }); });
    connect(authPaper_, &QCheckBox::clicked, this, [this](bool present) {
        change([present] { return ecfsim::authPaperChange(present); });
    });
    connect(drawer_, &QComboBox::activated, this,
            [this](int drawer) { change([drawer] { return ecfsim::drawerChange(drawer); }); });
    connect(intervention_, &QCheckBox::clicked, this,
            [this](bool on) { change([on] { return ecfsim::interventionChange(on); }); });
    connect(model_, &QComboBox::activated, this, [this](int index) {
        const auto model = static_cast<fiscemu::Model>(index);
        change([model] { return ecfsim::modelChange(model); });
    });
    connect(latency_, &QSpinBox::editingFinished, this, [this] {
        const int ms = latency_->value();
        if (watch_ && watch_->device() && watch_->device()->settings().latencyMs == ms)
            return;
        change([ms] { return ecfsim::latencyChange(ms); });
    });
    connect(fail_, &QPushButton::clicked, this, &ControlsView::askFailure);
    connect(clearFaults_, &QPushButton::clicked, this, [this] {
        run([](fiscemu::Device& d) { return ecfsim::clearFault(d, std::string()); });
    });
    connect(nextDay_, &QPushButton::clicked, this,
            [this] { run([](fiscemu::Device& d) { return ecfsim::nextDay(d); }); });
    connect(reset_, &QPushButton::clicked, this, &ControlsView::askReset);
    connect(record_, &QPushButton::clicked, this, &ControlsView::toggleRecording);
    showPower(true);
    showRecording(false);
}

QString ControlsView::resetQuestion() {
    return QStringLiteral(
        "Reiniciar a memória apaga a memória fiscal, a bobina e o registro de chamadas e "
        "devolve a impressora ao estado de fábrica. Uma cópia da memória anterior fica ao lado "
        "dela.\n\nConfirma?");
}

void ControlsView::showPower(bool on) {
    const QSignalBlocker block(power_);
    power_->setChecked(on);
    power_->setText(on ? QStringLiteral("● Ligada") : QStringLiteral("○ Desligada"));
    power_->setStyleSheet(on ? QStringLiteral("QPushButton { background: #2e7d32; color: white; "
                                              "font-weight: bold; }")
                             : QStringLiteral("QPushButton { background: #616161; color: #eeeeee; "
                                              "font-weight: bold; }"));
}

void ControlsView::showSettings(fiscemu::Device& device) {
    shownSettings_ = device.settings();
    shownFaults_ = device.faults();
    showValues();
}

void ControlsView::showValues() {
    const fiscemu::Settings& set = shownSettings_;
    showPower(set.power);
    {
        const QSignalBlocker b(paper_);
        paper_->setCurrentIndex(set.paper);
    }
    {
        const QSignalBlocker b(authPaper_);
        authPaper_->setChecked(set.authPaper);
    }
    {
        // The drawer as the status reply reads it now: it closes by itself.
        const QSignalBlocker b(drawer_);
        int shown = set.drawer;
        if (set.drawer == fiscemu::kDrawerOpen &&
            !fiscemu::drawerReadsOpen(set, fiscemu::wallNow()))
            shown = fiscemu::kDrawerClosed;
        drawer_->setCurrentIndex(shown);
    }
    {
        const QSignalBlocker b(intervention_);
        intervention_->setChecked(set.intervention);
    }
    {
        const QSignalBlocker b(model_);
        model_->setCurrentIndex(static_cast<int>(set.model));
    }
    if (!latency_->hasFocus()) {
        const QSignalBlocker b(latency_);
        latency_->setValue(int(set.latencyMs));
    }
    QStringList pending;
    for (const auto& [function, code] : shownFaults_)
        pending << QStringLiteral("%1 responde %2").arg(text(function)).arg(code);
    faults_->setText(pending.isEmpty()
                         ? QStringLiteral("Falhas pendentes: nenhuma")
                         : QStringLiteral("Falhas pendentes: %1").arg(pending.join(", ")));
    clearFaults_->setEnabled(!pending.isEmpty());
    if (watch_)
        showRecording(ecfsim::recording(watch_->databasePath().toStdString()));
}

void ControlsView::showRecording(bool open) {
    const QSignalBlocker block(record_);
    record_->setChecked(open);
    record_->setText(open ? QStringLiteral("● Gravando sessão: parar e salvar...")
                          : QStringLiteral("Gravar sessão"));
}

// The session file is ecfsim's to write (JSON, which the panel does not
// hold): `ecfsim record stop FILE`, the ecfsim beside this program.
ecfsim::Result ControlsView::stopRecording(const QString& file) {
    QProcess tool;
    tool.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/ecfsim"));
    tool.setArguments({QStringLiteral("--db"), watch_->databasePath(), QStringLiteral("record"),
                       QStringLiteral("stop"), file});
    tool.start();
    ecfsim::Result result;
    const bool finished = tool.waitForFinished(120000);
    const QString out = QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    const QString err = QString::fromUtf8(tool.readAllStandardError()).trimmed();
    result.ok = finished && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    if (result.ok) {
        result.lines.push_back(out.toStdString());
    } else if (!finished || tool.error() == QProcess::FailedToStart) {
        result.error = "não foi possível executar " + tool.program().toStdString() + ": " +
                       tool.errorString().toStdString();
    } else {
        result.error = QString(err).remove(QStringLiteral("ecfsim: ")).toStdString();
    }
    return result;
}

void ControlsView::toggleRecording(bool start) {
    if (!watch_)
        return;
    const std::string memory = watch_->databasePath().toStdString();
    ecfsim::Result result;
    if (start) {
        result = ecfsim::recordStart(memory);
    } else {
        QFileDialog dialog(this, QStringLiteral("Salvar sessão"),
                           QFileInfo(watch_->databasePath()).absolutePath(),
                           QStringLiteral("Sessões (*.json)"));
        dialog.setObjectName(QStringLiteral("dlgSalvarSessao"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("json"));
        // Without a file name the session goes on being recorded.
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            showRecording(true);
            return;
        }
        result = stopRecording(dialog.selectedFiles().first());
    }
    showRecording(ecfsim::recording(memory));
    if (!result.ok) {
        emit failed(text(result.error));
        return;
    }
    reportDone(result.lines, QStringLiteral(" "));
}

void ControlsView::reportDone(const std::vector<std::string>& lines, const QString& separator) {
    QStringList texts;
    for (const std::string& line : lines)
        texts << text(line);
    emit done(texts.join(separator));
}

bool ControlsView::run(const std::function<ecfsim::Result(fiscemu::Device&)>& action) {
    if (!watch_)
        return false;
    ecfsim::Result result;
    QString failure;
    const bool written = watch_->change(
        [&](fiscemu::Device& d) {
            try {
                result = action(d);
            } catch (const ecfsim::UsageError& e) {
                result.ok = false;
                result.error = e.message;
            }
            return result.ok;
        },
        &failure);
    if (!written) {
        // The memory's own refusal is said in the panel's words; what the
        // action itself refused, in ecfsim's.
        if (!result.error.empty() && watch_->device() &&
            result.error.find(watch_->device()->lastError()) == std::string::npos)
            failure = text(result.error);
        // The controls go back to what the printer has (or had, when the
        // memory cannot be read now).
        if (watch_->device())
            showSettings(*watch_->device());
        else
            showValues();
        emit failed(failure);
        return false;
    }
    reportDone(result.lines, QStringLiteral("; "));
    return true;
}

bool ControlsView::change(const std::function<ecfsim::Change()>& make) {
    return run([&](fiscemu::Device& d) { return ecfsim::applyChanges(d, {make()}); });
}

void ControlsView::askFailure() {
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("dlgFalha"));
    dialog.setWindowTitle(QStringLiteral("Falhar a próxima chamada"));
    auto* function = new QComboBox(&dialog);
    function->setObjectName(QStringLiteral("failFunction"));
    for (const std::string& name : ecfsim::faultableFunctions())
        function->addItem(text(name));
    auto* code = new QSpinBox(&dialog);
    code->setObjectName(QStringLiteral("failCode"));
    code->setRange(1, 999);
    code->setValue(79);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->setObjectName(QStringLiteral("failButtons"));
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Armar falha"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("Função:"), function);
    form->addRow(QStringLiteral("Código de retorno:"), code);
    form->addRow(new QLabel(QStringLiteral("A próxima chamada desta função responde o código "
                                           "(uma função de status responde \"Erro: NNN\")."),
                            &dialog));
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::string name = function->currentText().toStdString();
    const int value = code->value();
    run([&](fiscemu::Device& d) { return ecfsim::setFault(d, name, value); });
}

void ControlsView::askReset() {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Confirmação"), resetQuestion(),
                    QMessageBox::NoButton, this);
    box.setObjectName(QStringLiteral("dlgReiniciar"));
    QPushButton* yes = box.addButton(QStringLiteral("&Sim, reiniciar"), QMessageBox::YesRole);
    yes->setObjectName(QStringLiteral("confirmReset"));
    QPushButton* no = box.addButton(QStringLiteral("&Não"), QMessageBox::NoRole);
    no->setObjectName(QStringLiteral("cancelReset"));
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    if (box.clickedButton() != yes)
        return;
    // As `ecfsim reset`: a copy of the old memory is kept beside it, and a
    // damaged memory is replaced too.
    if (!watch_)
        return;
    ecfsim::Result result;
    watch_->replace([&result](const std::string& path) {
        try {
            result = ecfsim::resetMemory(path);
        } catch (const ecfsim::UsageError& e) {
            result.ok = false;
            result.error = e.message;
        }
        return result.ok;
    });
    if (!result.ok) {
        emit failed(text(result.error));
        return;
    }
    reportDone(result.lines, QStringLiteral("; "));
}
