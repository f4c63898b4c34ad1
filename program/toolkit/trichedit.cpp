#include "toolkit/trichedit.h"

#include <QTextBlock>
#include <QTextCursor>

TRichEdit::TRichEdit(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
}

void TRichEdit::addLine(const QString& line) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (!document()->isEmpty()) {
        cursor.insertBlock();
    }
    cursor.insertText(line);
}

QStringList TRichEdit::lines() const {
    QStringList result;
    if (document()->isEmpty()) {
        return result;
    }
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        result.append(block.text());
    }
    return result;
}

void TRichEdit::setFontSize(int points) {
    QFont panelFont = font();
    panelFont.setPointSize(points);
    setFont(panelFont);
}

void TRichEdit::setBackgroundColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
}

QColor TRichEdit::backgroundColor() const {
    return palette().color(QPalette::Base);
}

void TRichEdit::setTextColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Text, color);
    setPalette(p);
}

QColor TRichEdit::textColor() const {
    return palette().color(QPalette::Text);
}
