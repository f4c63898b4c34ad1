#include "linescom/linescom.h"

#include "ui_linescom.h"

#include "driver/codepage.h"
#include "driver/fiscal_driver.h"
#include "linescom/commercial_lines_file.h"
#include "toolkit/dialogs.h"
#include "toolkit/handlers.h"
#include "wincommon/first_show_fonts.h"
#include "wincommon/report.h"

#include <array>

QPointer<Tlinecom> linecom;

namespace {

// What the edits offer while no lines are registered.
const std::array<const char*, CommercialLinesFile::LineCount> kPrompts = {
    "Coloque aqui a primeira linha comercial", "Coloque aqui a segunda linha comercial",
    "Coloque aqui a terceira linha comercial", "Coloque aqui a quarta linha comercial",
    "Coloque aqui a quinta linha comercial",   "Coloque aqui a sexta linha comercial",
    "Coloque aqui a sétima linha comercial",   "Coloque aqui a oitava linha comercial",
};

}  // namespace

Tlinecom::Tlinecom(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tlinecom>()) {
    // The fields' own fonts are laid out when the window is first shown.
    setupUiWithFontsAtFirstShow(*ui, this);
    setBorder(Border::SingleDialog);
    setDefaultButton(ui->Button1);
    edits_ = {ui->Edit1, ui->Edit2, ui->Edit3, ui->Edit4,
              ui->Edit5, ui->Edit6, ui->Edit7, ui->Edit8};
    connectHandler(ui->Button1, &QPushButton::clicked, this, &Tlinecom::Button1Click);
    connectHandler(ui->Button2, &QPushButton::clicked, this, &Tlinecom::Button2Click);
    connectHandler(ui->Button3, &QPushButton::clicked, this, &Tlinecom::Button3Click);
}

Tlinecom::~Tlinecom() = default;

QStringList Tlinecom::lineTexts() const {
    QStringList texts;
    for (const QLineEdit* edit : edits_) {
        texts.append(edit->text());
    }
    return texts;
}

void Tlinecom::FormActivate() {
    // The file is read again at every activation, so lines saved meanwhile
    // (or edited outside the program) show up.
    if (!CommercialLinesFile::exists()) {
        for (int i = 0; i < edits_.size(); ++i) {
            edits_[i]->setText(QString::fromUtf8(kPrompts[i]));
        }
        return;
    }
    const QStringList lines = CommercialLinesFile::read();
    for (int i = 0; i < edits_.size(); ++i) {
        edits_[i]->setText(lines[i]);
    }
}

void Tlinecom::Button1Click() {
    if (CommercialLinesFile::exists()) {
        const DialogAnswer answer = askInformationQuestion(QStringLiteral(
            "Você deseja substituir o registro em disco das linhas comerciais atualmente em uso?"));
        if (answer != DialogAnswer::Yes) {
            Close();
            return;
        }
    }
    // A save that cannot write the new text ends here with its message; the
    // old file stays as it was and the window stays open with the lines.
    if (CommercialLinesFile::save(lineTexts()) == CommercialLinesFile::SaveOutcome::NotReplaced) {
        showMessage(QStringLiteral("Não foi possível deletar e substituir o arquivo de registro"));
    }
    Close();
}

void Tlinecom::Button2Click() {
    Close();
}

void Tlinecom::Button3Click() {
    // Each line goes as typed: not filled out to 48 characters, not trimmed.
    FiscalDriver& driver = fiscalDriver();
    for (const QLineEdit* edit : edits_) {
        if (!reportResult(ResultPrefix::OcorreuErro,
                          driver.ecfImpLinha(toDriverText(edit->text())))) {
            return;
        }
    }
}
