#include "ecfpainel/paperview.h"

#include <QFontDatabase>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace {

const QColor kPaperColour(0xFB, 0xF8, 0xEC);
const QColor kInkColour(0x22, 0x22, 0x2A);
const QColor kMarkColour(0x8A, 0x86, 0x7A);

// A text centred among dashes, the width of the roll.
QString dashed(const QString& middle) {
    const int width = PaperView::kColumns;
    if (middle.isEmpty())
        return QString(width, QLatin1Char('-'));
    const QString core = QLatin1Char(' ') + middle + QLatin1Char(' ');
    const int left = (width - int(core.size())) / 2;
    return QString(left, QLatin1Char('-')) + core +
           QString(width - left - int(core.size()), QLatin1Char('-'));
}

}  // namespace

PaperView::PaperView(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("paperRoll"));
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(10);
    setFont(font);
    setStyleSheet(QStringLiteral("QPlainTextEdit#paperRoll { background: %1; color: %2; "
                                 "border: 1px solid #c9c3ad; padding: 6px; }")
                      .arg(kPaperColour.name(), kInkColour.name()));
    const int textWidth = QFontMetrics(font).horizontalAdvance(QString(kColumns, QLatin1Char('M')));
    // The roll's full width at most; narrower in a compact panel, where the
    // lines scroll sideways instead of widening the window.
    rollWidth_ = textWidth + 2 * int(document()->documentMargin()) + 14 +
                 verticalScrollBar()->sizeHint().width();
    setMaximumWidth(rollWidth_);
    setMinimumWidth(rollWidth_ / 3);
    setToolTip(QStringLiteral("A bobina como foi impressa: a linha mais nova fica embaixo."));
}

QSize PaperView::sizeHint() const {
    return QSize(rollWidth_, QPlainTextEdit::sizeHint().height());
}

QString PaperView::cutLine() {
    return dashed(QStringLiteral("✂ corte"));
}

QString PaperView::stationMark(char station) {
    if (station == fiscemu::kCheque)
        return dashed(QStringLiteral("estação de cheque"));
    if (station == fiscemu::kAuthentication)
        return dashed(QStringLiteral("estação de autenticação"));
    return QString();
}

bool PaperView::atBottom() const {
    const QScrollBar* bar = verticalScrollBar();
    return bar->value() >= bar->maximum() - 2;
}

// One cursor at the end, placed by position: moving a cursor lays out the
// block it reaches, a cost that grew with the roll.
void PaperView::appendLine(QTextCursor& cursor, const QString& text, const QColor& colour) {
    QTextCharFormat format;
    format.setForeground(colour);
    if (!document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(text, format);
}

void PaperView::appendRows(const std::vector<fiscemu::PaperRow>& rows) {
    const bool follow = atBottom();
    QTextCursor cursor(document());
    cursor.setPosition(document()->characterCount() - 1);
    cursor.beginEditBlock();
    for (const fiscemu::PaperRow& row : rows) {
        const bool newDocument = documents_.empty() || documents_.back().coo != row.coo ||
                                 documents_.back().station != row.station;
        if (newDocument) {
            if (!documents_.empty())
                appendLine(cursor, cutLine(), kMarkColour);
            if (row.station != fiscemu::kReceipt)
                appendLine(cursor, stationMark(row.station), kMarkColour);
            Document doc;
            doc.station = row.station;
            doc.coo = row.coo;
            doc.firstBlock = document()->isEmpty() ? 0 : document()->blockCount();
            documents_.push_back(doc);
        }
        const QString line = QString::fromStdString(fiscemu::paperText(row));
        documents_.back().lines << line;
        appendLine(cursor, line, kInkColour);
    }
    cursor.endEditBlock();
    if (follow)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void PaperView::restart() {
    documents_.clear();
    clear();
}

std::vector<PaperView::Document> PaperView::selectedDocuments() const {
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return documents_;
    const int first = document()->findBlock(cursor.selectionStart()).blockNumber();
    const int last = document()->findBlock(cursor.selectionEnd()).blockNumber();
    std::vector<Document> chosen;
    for (size_t i = 0; i < documents_.size(); ++i) {
        const int end = documents_[i].firstBlock + int(documents_[i].lines.size()) - 1;
        // A document's separators above it count as part of it.
        const int top =
            i == 0 ? 0 : documents_[i - 1].firstBlock + int(documents_[i - 1].lines.size());
        if (end >= first && top <= last)
            chosen.push_back(documents_[i]);
    }
    return chosen;
}

namespace {
// A text in lines of at most `width` characters, broken between words where
// it can be and inside a word longer than a line.
QStringList wrapped(const QString& text, int width) {
    QStringList lines;
    QString current;
    for (QString word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!current.isEmpty() && current.size() + 1 + word.size() > width) {
            lines << current;
            current.clear();
        }
        while (word.size() > width) {
            lines << word.left(width);
            word = word.mid(width);
        }
        current += (current.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!current.isEmpty())
        lines << current;
    return lines;
}
}  // namespace

bool PaperView::writePdf(const std::vector<Document>& documents, const QString& fileName,
                         QString* failure, const QStringList& refusals) {
    if (documents.empty()) {
        if (failure)
            *failure = QStringLiteral("A bobina está vazia: não há o que salvar.");
        return false;
    }
    // A receipt roll: 80 mm wide, cut in pages of a fixed length.
    QPdfWriter pdf(fileName);
    pdf.setTitle(QStringLiteral("Bobina da impressora fiscal"));
    pdf.setCreator(QStringLiteral("ecfpainel"));
    pdf.setResolution(300);
    const QSizeF pageMm(80.0, 200.0);
    pdf.setPageSize(QPageSize(pageMm, QPageSize::Millimeter, QStringLiteral("Bobina")));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&pdf)) {
        if (failure)
            *failure = QStringLiteral("Não foi possível gravar o arquivo %1.").arg(fileName);
        return false;
    }
    const double dotsPerMm = pdf.resolution() / 25.4;
    const QRectF page(0, 0, pageMm.width() * dotsPerMm, pageMm.height() * dotsPerMm);
    const double margin = 4.0 * dotsPerMm;
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(7.0);
    painter.setFont(font);
    // Shrink the type until 48 columns fit between the margins.
    while (painter.fontMetrics().horizontalAdvance(QString(kColumns, QLatin1Char('M'))) >
               page.width() - 2 * margin &&
           font.pointSizeF() > 3.0) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
        painter.setFont(font);
    }
    const double lineHeight = painter.fontMetrics().lineSpacing();
    double y = margin;
    auto startPage = [&](bool newPage) {
        if (newPage)
            pdf.newPage();
        painter.fillRect(page, kPaperColour);
        y = margin;
    };
    auto line = [&](const QString& text, const QColor& colour) {
        if (y + lineHeight > page.height() - margin)
            startPage(true);
        painter.setPen(colour);
        painter.drawText(QPointF(margin, y + painter.fontMetrics().ascent()), text);
        y += lineHeight;
    };
    startPage(false);
    for (size_t i = 0; i < documents.size(); ++i) {
        if (i > 0)
            line(cutLine(), kMarkColour);
        if (documents[i].station != fiscemu::kReceipt)
            line(stationMark(documents[i].station), kMarkColour);
        for (const QString& text : documents[i].lines)
            line(text, kInkColour);
    }
    // The calls the printer refused, each wrapped to the roll's width: they
    // printed nothing, so they follow the paper under a title of their own.
    if (!refusals.isEmpty()) {
        line(cutLine(), kMarkColour);
        line(QStringLiteral("CHAMADAS RECUSADAS (%1)").arg(refusals.size()), kMarkColour);
        for (const QString& refusal : refusals) {
            line(QString(), kMarkColour);
            for (const QString& part : wrapped(refusal, kColumns))
                line(part, kMarkColour);
        }
    }
    if (!painter.end()) {
        if (failure)
            *failure = QStringLiteral("Não foi possível gravar o arquivo %1.").arg(fileName);
        return false;
    }
    return true;
}
