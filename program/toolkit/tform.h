// The base of every window: the form toolkit's creation, activation and
// deactivation handlers, border kinds and default button, on QMainWindow.
#pragma once

#include <QAbstractButton>
#include <QMainWindow>
#include <QPointer>

class TForm : public QMainWindow {
    Q_OBJECT
public:
    enum class Border {
        Sizeable,       // the desktop's usual resizable window
        Single,         // fixed size, the usual title-bar icons
        SingleDialog,   // fixed size, system menu (close box) only
        SingleNoIcons,  // fixed size, no title-bar icons at all
    };

    explicit TForm(QWidget* parent = nullptr);

    // Handlers of the form's life, overridden by each window.
    virtual void FormCreate() {}
    virtual void FormActivate() {}
    virtual void FormDeactivate() {}

    void setBorder(Border border);
    Border border() const { return border_; }

    // The button that Enter presses unless a push button has the focus
    // (which then takes it); no other control takes Enter itself.
    void setDefaultButton(QAbstractButton* button);
    QAbstractButton* defaultButton() const { return defaultButton_; }

    // The non-modal show of the toolkit: shows the form and makes it the
    // active form; every window is shown through it. Close hides it; the
    // main form's close ends the program.
    void Show();
    void Close();

    // The layout's "visible at creation" and "maximised" settings.
    void setVisibleAtCreation(bool visible) { visibleAtCreation_ = visible; }
    bool visibleAtCreation() const { return visibleAtCreation_; }
    void setStartsMaximized(bool maximized) { startsMaximized_ = maximized; }

    // The layout's "centred on the screen" position.
    void setScreenCentered(bool centered) { screenCentered_ = centered; }

    void setMainForm(bool main) { mainForm_ = main; }
    bool isMainForm() const { return mainForm_; }

    // Runs FormCreate and, when the layout says so, shows the form.
    void create();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Enter in an editable list reaches the form here before the list.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Presses the button Enter stands for; false when there is none to press.
    bool pressEnter();
    void applyBorder();

    Border border_ = Border::Sizeable;
    QPointer<QAbstractButton> defaultButton_;
    bool visibleAtCreation_ = false;
    bool startsMaximized_ = false;
    bool screenCentered_ = false;
    bool mainForm_ = false;
};
