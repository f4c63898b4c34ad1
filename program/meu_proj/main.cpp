// meu_proj: the desktop test bench of the fiscal printer.
#include "driver/library_driver.h"
#include "meu_proj/bench_windows.h"
#include "toolkit/app_environment.h"
#include "toolkit/dialogs.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Ties the windows to the installed desktop entry (and its icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("bancada-ecf"));
    installPortugueseTranslations(app);

    LibraryDriver driver;
    setFiscalDriver(&driver);
    QtDialogs dialogService;
    setDialogs(&dialogService);

    createApplicationForms();
    const int status = app.exec();
    destroyApplicationForms();
    return status;
}
