#include "wincommon/fit.h"

#include <QEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QSet>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

namespace {

void fitNow(QWidget* window) {
    if (auto* main = qobject_cast<QMainWindow*>(window); main && main->centralWidget()) {
        if (QLayout* layout = main->centralWidget()->layout()) {
            layout->invalidate();
            layout->activate();
        }
    }
    if (QLayout* layout = window->layout()) {
        layout->invalidate();
        layout->activate();
    }
    const QSize wanted = window->sizeHint().expandedTo(window->minimumSizeHint());
    window->resize(std::max(window->width(), wanted.width()), wanted.height());
}

// Fits each window it watches on the window's first show. Filters see the
// show event before the window itself, so the window's own show handling
// (which fixes its size) finds it fitted, and the window system is given the
// fitted size. One filter serves every window: the windows keep exactly the
// children their layouts give them.
class FitOnFirstShow : public QObject {
public:
    static FitOnFirstShow& instance() {
        static FitOnFirstShow filter;
        return filter;
    }

    void watch(QWidget* window) {
        if (!waiting_.contains(window)) {
            waiting_.insert(window);
            window->installEventFilter(this);
            connect(window, &QObject::destroyed, this,
                    [this](QObject* gone) { waiting_.remove(gone); });
        }
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && waiting_.remove(watched)) {
            watched->removeEventFilter(this);
            disconnect(watched, &QObject::destroyed, this, nullptr);
            fitNow(static_cast<QWidget*>(watched));
        }
        return false;
    }

private:
    QSet<QObject*> waiting_;
};

}  // namespace

void fitWindowToLayout(QWidget* window) {
    if (window->isVisible()) {
        fitNow(window);
    } else {
        FitOnFirstShow::instance().watch(window);
    }
}

namespace {

// The width a text field needs to show a text of the given width whole.
int fieldWidthFor(QLineEdit* field, int textWidth) {
    QStyleOptionFrame option;
    option.initFrom(field);
    const int frame = field->hasFrame() ? field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth,
                                                                      &option, field)
                                        : 0;
    const QMargins margins = field->textMargins();
    // QLineEdit keeps two pixels each side of its text, and one for the cursor.
    return textWidth + 2 * frame + margins.left() + margins.right() + 5;
}

}  // namespace

void fitFieldToCharacters(QLineEdit* field, int characters) {
    // Replies are digits, blanks and separators: the widest digit sets the
    // pace, and blanks and separators take less.
    int widest = 0;
    for (QChar digit : QStringLiteral("0123456789")) {
        widest = std::max(widest, field->fontMetrics().horizontalAdvance(digit));
    }
    field->setMinimumWidth(fieldWidthFor(field, widest * characters));
}

void fitFieldToText(QLineEdit* field) {
    field->setMinimumWidth(
        fieldWidthFor(field, field->fontMetrics().horizontalAdvance(field->text())));
}
