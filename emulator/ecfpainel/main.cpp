// ecfpainel: the emulated printer's front panel, beside the bench on the same
// memory (--db FILE, otherwise ECFSIM_DB, otherwise ./ecfsim.db).
#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "core/device.h"
#include "ecfpainel/panelwindow.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ecfpainel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Painel da impressora fiscal"));
    QApplication::setApplicationVersion(QStringLiteral(BANCADA_VERSION));
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    // Qt's own texts (file dialog, standard buttons) in Portuguese too.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTexts);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Painel da impressora fiscal emulada: a bobina, as chamadas, o estado e\n"
                       "os controles, sobre a mesma memória do programa e do ecfsim."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption db(QStringLiteral("db"),
                          QStringLiteral("A memória da impressora (padrão: ECFSIM_DB ou "
                                         "./ecfsim.db)."),
                          QStringLiteral("ARQUIVO"));
    parser.addOption(db);
    QCommandLineOption onTop(QStringLiteral("manter-a-frente"),
                             QStringLiteral("Começa à frente das outras janelas (Exibir > "
                                            "Manter à frente), qualquer que seja a escolha "
                                            "guardada."));
    parser.addOption(onTop);
    parser.process(app);
    const QString path = parser.isSet(db) ? parser.value(db)
                                          : QString::fromStdString(fiscemu::Device::defaultPath());

    PanelWindow window(path);
    if (parser.isSet(onTop))
        window.setKeepOnTop(true);
    window.show();
    return app.exec();
}
