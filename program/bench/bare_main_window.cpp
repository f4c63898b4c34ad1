// The floor of the bench's start-up: a main window with a menu, shown, in
// its event loop.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("WIN_ECF"));
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("&Arquivo"));
    file->addAction(QStringLiteral("&Sair"), &app, &QApplication::quit);
    window.menuBar()->addMenu(QStringLiteral("&Cupom fiscal"))->addAction(QStringLiteral("&Abrir"));
    window.resize(640, 480);
    window.show();
    return app.exec();
}
