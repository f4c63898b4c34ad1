// meu_proj: the desktop test bench of the fiscal printer.
#include "driver/library_driver.h"
#include "meu_proj/bench_windows.h"
#include "toolkit/app_environment.h"
#include "toolkit/dialogs.h"

#include <QApplication>
#include <QCommandLineParser>

namespace {

// The bench takes no option of its own: --help and --version answer and
// leave; anything else unknown is refused before a window opens. The help
// is also the options section of the manual page.
void readCommandLine(const QApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Bancada de testes da impressora fiscal ECF-IF: a janela principal e 26\n"
                       "janelas, uma por função da impressora, sobre a biblioteca do driver\n"
                       "libfiscport.so, que traz a impressora emulada. A memória da impressora é\n"
                       "o ecfsim.db da pasta atual, ou o arquivo que ECFSIM_DB indicar."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(BANCADA_VERSION));
    // Ties the windows to the installed desktop entry (and its icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("bancada-ecf"));
    installPortugueseTranslations(app);
    readCommandLine(app);

    LibraryDriver driver;
    setFiscalDriver(&driver);
    QtDialogs dialogService;
    setDialogs(&dialogService);

    createApplicationForms();
    const int status = app.exec();
    destroyApplicationForms();
    return status;
}
