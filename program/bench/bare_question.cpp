// The floor of the bench's first question: a Qt program that asks one
// question in a box like the bench's (Sim / Não) and ends.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirmação"),
                    QStringLiteral("Deseja mudar para a COM2?"), QMessageBox::NoButton);
    QAbstractButton* yes = box.addButton(QStringLiteral("&Sim"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("&Não"), QMessageBox::NoRole);
    box.setDefaultButton(static_cast<QPushButton*>(yes));
    box.exec();
    return box.clickedButton() == yes ? 1 : 0;
}
