// What the tests of the two programming windows share: opening the window
// on a function, reaching its numbered controls, and which of the work
// area's controls a function shows.
#pragma once

#include "support/app_fixture.h"
#include "toolkit/tform.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

class ProgrammingFixture : public AppFixture {
protected:
    // The window, the menu item that shows it, and its last numbered label
    // and edit of the work area.
    ProgrammingFixture(QString formName, QString menuItemName, int lastLabel, int lastEdit)
        : formName_(std::move(formName)),
          menuItemName_(std::move(menuItemName)),
          lastLabel_(lastLabel),
          lastEdit_(lastEdit) {}

    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
    }

    void open() { trigger(menuItemName_); }
    // Opens the window and changes to a function, then forgets the records.
    void openFunction(int function) {
        open();
        choose(function);
        log.clear();
        driver.clearCalls();
        dialogs.clear();
    }
    void choose(int function) { click(formName_, QStringLiteral("RadioButton%1").arg(function)); }
    void send() { click(formName_, "Button1"); }

    QRadioButton* radio(int function) const {
        return control<QRadioButton>(formName_, QStringLiteral("RadioButton%1").arg(function));
    }
    QLineEdit* edit(int number) const {
        return control<QLineEdit>(formName_, QStringLiteral("Edit%1").arg(number));
    }
    QLabel* label(int number) const {
        return control<QLabel>(formName_, QStringLiteral("Label%1").arg(number));
    }
    void type(int editNumber, const QString& text) {
        setText(formName_, QStringLiteral("Edit%1").arg(editNumber), text);
    }
    QComboBox* rateList() const { return control<QComboBox>(formName_, "ComboBox1"); }
    bool busy() const { return label(1)->isVisible(); }
    Qt::CursorShape cursor() const { return form(formName_)->cursor().shape(); }

    // The names of the work-area controls now visible.
    QStringList visibleWorkArea() const {
        QStringList names;
        for (int n = 2; n <= lastLabel_; ++n) {
            if (label(n)->isVisible()) {
                names.append(QStringLiteral("Label%1").arg(n));
            }
        }
        for (int n = 1; n <= lastEdit_; ++n) {
            if (edit(n)->isVisible()) {
                names.append(QStringLiteral("Edit%1").arg(n));
            }
        }
        // The tax-type group exists in the 3.00 window only.
        for (const char* name :
             {"ComboBox1", "RadioGroup1", "StaticText1", "StaticText2", "StaticText3"}) {
            const auto* control = form(formName_)->findChild<QWidget*>(name);
            if (control && control->isVisible()) {
                names.append(QString::fromLatin1(name));
            }
        }
        return names;
    }

private:
    QString formName_;
    QString menuItemName_;
    int lastLabel_;
    int lastEdit_;
};
