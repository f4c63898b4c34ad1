// Fonts laid out at first show: the controls a window's layout gives a font
// answer that font at once, lay their text out in it when the window is
// first shown, and look then exactly as if they had laid it out at once.
#include "wincommon/first_show_fonts.h"

#include <QImage>
#include <QLineEdit>
#include <QTextEdit>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

QFont fieldFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Courier New")});
    font.setPointSize(10);
    return font;
}

QFont panelFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Sans Serif")});
    font.setBold(true);
    return font;
}

// What a layout file makes: a text field and a text panel, each in a font
// of its own, and a text in each.
struct FieldAndPanelUi {
    QLineEdit* field = nullptr;
    QTextEdit* panel = nullptr;

    void setupUi(QWidget* window) {
        auto* layout = new QVBoxLayout(window);
        field = new QLineEdit(window);
        field->setFont(fieldFont());
        field->setText(QStringLiteral("12,00 WWW"));
        layout->addWidget(field);
        panel = new QTextEdit(window);
        panel->setFont(panelFont());
        panel->setLineWrapMode(QTextEdit::NoWrap);
        panel->setPlainText(QStringLiteral("POSIÇÃO: 1  Pendente? S"));
        layout->addWidget(panel);
    }
};

QImage picture(QWidget* control) {
    return control->grab().toImage();
}

TEST(FontsAtFirstShow, ControlsAnswerTheirFontsAtOnceAndShowThemAsIfLaidOutAtOnce) {
    QWidget held;
    FieldAndPanelUi heldUi;
    setupUiWithFontsAtFirstShow(heldUi, &held);
    QWidget direct;
    FieldAndPanelUi directUi;
    directUi.setupUi(&direct);

    // Anyone asking sees the layout's fonts and sizes from the start.
    EXPECT_EQ(heldUi.field->font(), fieldFont());
    EXPECT_EQ(heldUi.panel->font(), panelFont());
    EXPECT_EQ(heldUi.field->sizeHint(), directUi.field->sizeHint());
    EXPECT_EQ(held.sizeHint(), direct.sizeHint());
    // What waits is the text laid out in them.
    EXPECT_NE(heldUi.panel->document()->defaultFont(), panelFont());
    EXPECT_EQ(directUi.panel->document()->defaultFont(), panelFont());

    held.resize(300, 200);
    direct.resize(300, 200);
    held.show();
    direct.show();
    EXPECT_EQ(heldUi.panel->document()->defaultFont(), panelFont());
    EXPECT_EQ(picture(heldUi.field), picture(directUi.field));
    EXPECT_EQ(picture(heldUi.panel), picture(directUi.panel));
}

TEST(FontsAtFirstShow, OnlyTheWindowsOwnControlsWaitAndOnlyWhileItIsBuilt) {
    QTextEdit elsewhere;
    QWidget window;
    struct Ui {
        QTextEdit* panel = nullptr;
        QTextEdit* other = nullptr;
        void setupUi(QWidget* w) {
            panel = new QTextEdit(w);
            panel->setFont(panelFont());
            // A control of another window, given a font meanwhile.
            other->setFont(panelFont());
        }
    } ui;
    ui.other = &elsewhere;
    setupUiWithFontsAtFirstShow(ui, &window);
    EXPECT_EQ(elsewhere.document()->defaultFont(), panelFont());
    EXPECT_NE(ui.panel->document()->defaultFont(), panelFont());

    // A font given once the window is built takes effect at once.
    QFont larger = panelFont();
    larger.setPointSize(14);
    ui.panel->setFont(larger);
    EXPECT_EQ(ui.panel->document()->defaultFont(), larger);
}

TEST(FontsAtFirstShow, AWindowBuiltWhileShownHasNothingWaiting) {
    QWidget shown;
    shown.show();
    FieldAndPanelUi shownUi;
    setupUiWithFontsAtFirstShow(shownUi, &shown);
    EXPECT_EQ(shownUi.panel->document()->defaultFont(), panelFont());
}

}  // namespace
