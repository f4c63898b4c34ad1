#include "wincommon/first_show_fonts.h"

#include <QApplication>
#include <QEvent>
#include <QList>
#include <QPointer>

// Catches, for the application, the font changes of the window's controls
// while the window is built; then watches the window and, on its first
// show, tells each control again that its font changed. Filters see the
// show event before the window does, so the controls have their fonts
// before the window's own show handling and before the first paint.
class FontLayoutOnFirstShow::Holder : public QObject {
public:
    explicit Holder(QWidget* window) : window_(window) { qApp->installEventFilter(this); }

    // The window is built: from now on the window's show is what counts.
    void stopHolding() {
        qApp->removeEventFilter(this);
        holding_ = false;
        if (held_.isEmpty() || !window_ || window_->isVisible()) {
            releaseFontChanges();
            deleteLater();
            return;
        }
        window_->installEventFilter(this);
        // The window owns the watcher, so it goes with a window never shown.
        setParent(window_);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (holding_) {
            return holdFontChange(watched, event);
        }
        if (watched == window_ && event->type() == QEvent::Show) {
            window_->removeEventFilter(this);
            releaseFontChanges();
            deleteLater();
        }
        return false;
    }

private:
    bool holdFontChange(QObject* watched, QEvent* event) {
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

    void releaseFontChanges() {
        for (const QPointer<QWidget>& control : held_) {
            if (control) {
                QEvent fontChange(QEvent::FontChange);
                QCoreApplication::sendEvent(control, &fontChange);
            }
        }
        held_.clear();
    }

    QPointer<QWidget> window_;
    QList<QPointer<QWidget>> held_;
    bool holding_ = true;
};

FontLayoutOnFirstShow::FontLayoutOnFirstShow(QWidget* window) : holder_(new Holder(window)) {}

FontLayoutOnFirstShow::~FontLayoutOnFirstShow() {
    holder_->stopHolding();
}
