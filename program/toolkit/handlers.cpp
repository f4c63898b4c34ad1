#include "toolkit/handlers.h"

#include "driver/codepage.h"
#include "toolkit/convert.h"
#include "toolkit/dialogs.h"

#include <QList>
#include <QPointer>

namespace {

// The windows of the handlers running now, innermost last (a handler runs
// others when it shows a window or raises a box with its own event loop).
QList<QPointer<QWidget>>& owners() {
    static QList<QPointer<QWidget>> stack;
    return stack;
}

struct OwnerScope {
    explicit OwnerScope(QWidget* owner) { owners().append(owner); }
    ~OwnerScope() { owners().removeLast(); }
    OwnerScope(const OwnerScope&) = delete;
    OwnerScope& operator=(const OwnerScope&) = delete;
};

}  // namespace

QWidget* handlerOwner() {
    const QList<QPointer<QWidget>>& stack = owners();
    for (auto it = stack.crbegin(); it != stack.crend(); ++it) {
        if (!it->isNull()) {
            QWidget* owner = it->data();
            return owner->isVisible() ? owner : nullptr;
        }
    }
    return nullptr;
}

void runHandler(const std::function<void()>& handler, QWidget* owner) {
    OwnerScope scope(owner);
    try {
        handler();
    } catch (const ConvertError& error) {
        dialogs().showBox(DialogKind::Exception, dialogCaption(DialogKind::Exception),
                          error.message());
    } catch (const InOutError& error) {
        dialogs().showBox(DialogKind::Exception, dialogCaption(DialogKind::Exception),
                          error.message());
    } catch (const DriverTextError& error) {
        // A text the printer cannot take: the driver was not called with it.
        dialogs().showBox(DialogKind::Exception, dialogCaption(DialogKind::Exception),
                          error.message());
    }
}
