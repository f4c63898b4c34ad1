#include "wincommon/first_show.h"

#include <QEvent>
#include <QWidget>

namespace {

// Filters see the show event before the window itself does.
class FirstShowWatcher : public QObject {
public:
    FirstShowWatcher(QWidget* window, std::function<void()> action)
        : QObject(window), action_(std::move(action)) {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parent() && event->type() == QEvent::Show && action_) {
            watched->removeEventFilter(this);
            std::function<void()> action = std::move(action_);
            action_ = nullptr;
            deleteLater();
            action();
        }
        return false;
    }

private:
    std::function<void()> action_;
};

}  // namespace

void atFirstShow(QWidget* window, std::function<void()> action) {
    if (window->isVisible()) {
        action();
    } else {
        new FirstShowWatcher(window, std::move(action));
    }
}
