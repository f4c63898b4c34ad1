#include "wincommon/fit.h"

#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

#include "wincommon/first_show.h"

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

}  // namespace

void fitWindowToLayout(QWidget* window) {
    atFirstShow(window, [window] { fitNow(window); });
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
