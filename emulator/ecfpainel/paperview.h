// The paper roll as the printer printed it: one line per printed line in a
// fixed-pitch font at the printer's width, with the characters the program
// sent (Windows Latin; lines of older memories from code page 850), each
// document set apart by a cut line, the cheque and authentication stations
// marked, the newest line at the bottom.
#pragma once

#include <QPlainTextEdit>
#include <QStringList>
#include <QTextCursor>

#include <vector>

#include "core/store.h"

class PaperView : public QPlainTextEdit {
    Q_OBJECT
public:
    // Printable columns of the receipt.
    static constexpr int kColumns = 48;

    explicit PaperView(QWidget* parent = nullptr);

    // The roll's whole width: what the panel gives it when there is room.
    QSize sizeHint() const override;

    // The separators between documents, as they appear in the text.
    static QString cutLine();
    static QString stationMark(char station);

    // A document on the roll: its printed lines (without separators).
    struct Document {
        char station = 'R';
        int64_t coo = 0;
        int firstBlock = 0;  // the block of its first printed line
        QStringList lines;
    };
    const std::vector<Document>& documents() const { return documents_; }
    // The documents the selection touches; all of them without a selection.
    std::vector<Document> selectedDocuments() const;

    // Writes documents as a PDF that looks like the paper, then the refused
    // calls given (with the printer's reasons) under a title of their own.
    // False with a reason when the file cannot be written.
    static bool writePdf(const std::vector<Document>& documents, const QString& fileName,
                         QString* failure, const QStringList& refusals = {});

public slots:
    void appendRows(const std::vector<fiscemu::PaperRow>& rows);
    void restart();

private:
    void appendLine(QTextCursor& cursor, const QString& text, const QColor& colour);
    bool atBottom() const;

    std::vector<Document> documents_;
    int rollWidth_ = 0;
};
