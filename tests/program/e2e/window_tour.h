// A tour of every window of the program on the emulated printer: each of
// the 27 windows, and the main window with its header-style options, is
// brought up in the state an operator typically sees it in (the status
// windows after their query or listing, the sale and payment windows over
// an open coupon of two items) and handed to a visitor while it is shown.
// The layout test checks each stop; the picture program photographs it.
#pragma once

#include "e2e/e2e_fixture.h"
#include "toolkit/dialogs.h"
#include "toolkit/tform.h"
#include "toolkit/ttimer.h"

#include <QApplication>
#include <QComboBox>
#include <functional>
#include <initializer_list>

// One window of the tour, while it is shown.
struct TourStop {
    QString picture;   // the picture's name: the unit, and a suffix for a variant;
                       // empty for a state that is checked but not pictured
    QString formName;  // the form object
    TForm* form = nullptr;
};

// The tour answers every question as an operator going through it would,
// with no box left waiting: questions Sim unless told otherwise, the input
// box its default answer, the colour dialog cancelled. Every box is kept.
class TourDialogs final : public Dialogs {
public:
    void showBox(DialogKind, const QString&, const QString& text) override { boxes.append(text); }
    DialogAnswer ask(DialogKind, const QString&, const QString& text) override {
        boxes.append(text);
        return answers.value(text, DialogAnswer::Yes);
    }
    QString inputBox(const QString&, const QString& prompt, const QString& answer) override {
        boxes.append(prompt);
        return answer;
    }
    std::optional<QColor> chooseColor(const QColor&) override { return std::nullopt; }

    QHash<QString, DialogAnswer> answers;
    QStringList boxes;
};

class WindowTour : public EndToEnd {
protected:
    using Visitor = std::function<void(const TourStop&)>;

    // Starts the program as an operator would (COM1, the given printer
    // model) and takes every window in turn to the visitor.
    void tour(const Visitor& visit, StartupAnswers answers = {}) {
        startApplication(answers);
        setDialogs(&tourDialogs);
        visit_ = visit;

        stop("meu_pr", "frmMain");
        trigger("Estilodocabealho1");
        stop("meu_pr-cabecalho", "frmMain");
        click("frmMain", "Button2");
        look(QString(), "frmMain");

        // The status windows on the idle printer, listings run to the end.
        show("Statusdaimpressora1", "MStatusImp", "FormStatusImp");
        show("DadossobreoECF1", "stequip", "stequipo");
        show("Dadossobreousurio1", "statuser", "statusr");
        const bool model30 = answers.model30 == DialogAnswer::Yes;
        if (model30) {
            listing("Statusdasalquotas3001", "stataliq", "Form1");
            listing("Statusdasformasdepagamento1", "statpayf", "statpay");
            listing("StatusdoscomprovantesNFs1", "statsnfs", "statnfs");
            show("Statusdotroco3011", "stroco", "troco");
            listing("StatusdosCNFvinculados1", "stvinc", "stvincs");
            functions("Programaesgerais1", "fprog30", "frmprog30", {1, 2, 4, 5, 6});
        }
        show("LeituraXSerial1", "MXserial", "xserial");

        // Programming, the tables, the demonstrations, the peripherals.
        functions("Programao1", "fprog", "frmprog", {1, 2, 3, 4, 5, 6});
        show("Tabeladepagamentos1", "paytable", "tablepay");
        show("Comprovantesnofiscais1", "compronf", "progcnf");
        show("Demonstraes1", "demos", "fdemos");
        show("Linhascomerciais1", "linescom", "linecom");
        tourDialogs.answers.insert(QStringLiteral("Deseja preecher cheque na Kolvex?"),
                                   DialogAnswer::No);
        show("Cheques2", "frcheque", "frmcheck");

        // A coupon of two items: the first one sold, the second one typed.
        tourDialogs.answers.insert(QStringLiteral("A impressora é versão 3.00 ?"),
                                   model30 ? DialogAnswer::Yes : DialogAnswer::No);
        trigger("Cupomfiscal2");
        setText("frmitem4", "Edit3", "7891000100103");
        setText("frmitem4", "Edit4", "CAFE TORRADO 500G");
        setText("frmitem4", "Edit1", "002");
        setText("frmitem4", "Edit5", "1250");
        choose("frmitem4", "ComboBox1", 0);
        click("frmitem4", "BitBtn1");
        trigger("Cupomfiscal2");
        setText("frmitem4", "Edit3", "7891000055502");
        setText("frmitem4", "Edit4", "ACUCAR CRISTAL 1KG");
        setText("frmitem4", "Edit1", "003");
        setText("frmitem4", "Edit5", "450");
        choose("frmitem4", "ComboBox1", 0);
        stop("venditem", "frmitem4");
        click("frmitem4", "BitBtn1");
        show(nullptr, "spr_item", "s_venda");

        // Over the open coupon.
        show("Statusdocupom1", "MStatusCup", "FormStatusCup");
        show("Alteraodesubtotal1", "subtotal", "frmadsub");
        show("Descontodeitem1", "cancitem", "cancitm");
        show("Cancelaritens1", "descitem", "descitm");
        trigger("Pagamento1");
        setText("frmtopay", "Edit1", "2000");
        stop("payment", "frmtopay");
        show("Finalizavenda1", "frpoprdor", "frmopera");

        // The non-fiscal documents, as they come up from the menu.
        show("Vinculado1", "cupom_nf", "cupomnf");
        show(nullptr, "vendcnfs", "vendcnf");
    }

    // The questions and messages the tour met.
    TourDialogs tourDialogs;

private:
    // Hands the shown window to the visitor, and hides it afterwards.
    void stop(const QString& picture, const QString& formName) {
        look(picture, formName);
        TForm* shown = form(formName);
        if (shown && !shown->isMainForm()) {
            shown->hide();
        }
        QApplication::processEvents();
    }

    void look(const QString& picture, const QString& formName) {
        TForm* shown = form(formName);
        ASSERT_NE(shown, nullptr);
        EXPECT_TRUE(shown->isVisible()) << formName.toStdString() << " is not shown";
        QApplication::processEvents();
        visit_(TourStop{picture, formName, shown});
    }

    // Shows a window from its menu item (or straight, without one) and
    // stops there.
    void show(const char* menuItem, const QString& picture, const QString& formName) {
        if (menuItem) {
            trigger(QString::fromLatin1(menuItem));
        } else if (TForm* shown = form(formName)) {
            shown->Show();
        }
        stop(picture, formName);
    }

    // A programming window: pictured as it comes up, then checked with
    // each of its functions chosen, since each shows its own fields.
    void functions(const char* menuItem, const QString& picture, const QString& formName,
                   std::initializer_list<int> radioButtons) {
        trigger(QString::fromLatin1(menuItem));
        look(picture, formName);
        for (int number : radioButtons) {
            click(formName, QStringLiteral("RadioButton%1").arg(number));
            look(QString(), formName);
        }
        if (TForm* shown = form(formName)) {
            shown->hide();
        }
        QApplication::processEvents();
    }

    void listing(const char* menuItem, const QString& picture, const QString& formName) {
        trigger(QString::fromLatin1(menuItem));
        auto* timer = control<TTimer>(formName, "Timer1");
        for (int tick = 0; tick < 40 && timer && timer->isEnabled(); ++tick) {
            timer->fire();
        }
        stop(picture, formName);
    }

    void choose(const QString& formName, const QString& comboName, int index) {
        if (auto* combo = control<QComboBox>(formName, comboName)) {
            combo->setCurrentIndex(index);
            emit combo->activated(index);
        }
    }

    Visitor visit_;
};
