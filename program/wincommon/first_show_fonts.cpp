#include "wincommon/first_show_fonts.h"

#include <QApplication>
#include <QEvent>
#include <QList>
#include <QPointer>

#include "wincommon/first_show.h"

// Catches, for the application, the font changes of the window's controls
// while the window is built; then has each control told again, at the
// window's first show, that its font changed, so the controls have their
// fonts before the window's own show handling and before the first paint.
class FontLayoutOnFirstShow::Holder : public QObject {
public:
    explicit Holder(QWidget* window) : window_(window) { qApp->installEventFilter(this); }

    // The window is built: from now on the window's show is what counts.
    void stopHolding() {
        qApp->removeEventFilter(this);
        QList<QPointer<QWidget>> held = std::move(held_);
        if (window_ && !held.isEmpty()) {
            atFirstShow(window_, [held] { releaseFontChanges(held); });
        }
        deleteLater();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::FontChange || !watched->isWidgetType() || !window_) {
            return false;
        }
        auto* control = static_cast<QWidget*>(watched);
        if (control == window_ || !window_->isAncestorOf(control)) {
            return false;
        }
        if (!held_.contains(control)) {
            held_.append(control);
        }
        return true;
    }

private:
    static void releaseFontChanges(const QList<QPointer<QWidget>>& held) {
        for (const QPointer<QWidget>& control : held) {
            if (control) {
                QEvent fontChange(QEvent::FontChange);
                QCoreApplication::sendEvent(control, &fontChange);
            }
        }
    }

    QPointer<QWidget> window_;
    QList<QPointer<QWidget>> held_;
};

FontLayoutOnFirstShow::FontLayoutOnFirstShow(QWidget* window) : holder_(new Holder(window)) {}

FontLayoutOnFirstShow::~FontLayoutOnFirstShow() {
    holder_->stopHolding();
}
