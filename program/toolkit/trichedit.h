// The read-only rich-text panel of the form toolkit, kept as a list of
// lines: Clear, Lines.Add, and a font size for the whole panel.
#pragma once

#include <QStringList>
#include <QTextEdit>

class TRichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit TRichEdit(QWidget* parent = nullptr);

    void addLine(const QString& line);
    QStringList lines() const;
    void setFontSize(int points);

    // The panel's colours: its background and its text.
    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const;
    void setTextColor(const QColor& color);
    QColor textColor() const;
};
