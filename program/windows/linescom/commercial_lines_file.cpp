#include "linescom/commercial_lines_file.h"

#include "driver/codepage.h"
#include "toolkit/convert.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace CommercialLinesFile {

namespace {

[[noreturn]] void failRead(const QString& reason) {
    throw InOutError(
        QStringLiteral("Não foi possível ler o arquivo de linhas comerciais \"%1\" (%2).")
            .arg(fileName(), reason));
}

[[noreturn]] void failWrite(const QString& reason) {
    throw InOutError(QStringLiteral("Não foi possível gravar o arquivo de linhas comerciais \"%1\" "
                                    "(%2); nada foi alterado no disco.")
                         .arg(fileName(), reason));
}

// A save cut short by a kill or a power cut can leave its new text under a
// temporary name beside the file: the file's name, a dot and six letters or
// digits, the name the save gives it before it takes the old file's place.
// Such leftovers are never anyone's data (the old file or the new one is
// whole under the real name), so they go at the next save or read.
void removeLeftovers() {
    static const QRegularExpression leftover(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(fileName()) + QStringLiteral("\\.[A-Za-z0-9]{6}")));
    const QDir here(QStringLiteral("."));
    const QStringList names =
        here.entryList({fileName() + QStringLiteral(".*")},
                       QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive);
    for (const QString& name : names) {
        const QFileInfo info(here.filePath(name));
        if (leftover.match(name).hasMatch() && info.isFile() && !info.isSymLink()) {
            QFile::remove(info.filePath());
        }
    }
}

}  // namespace

QString fileName() {
    return QStringLiteral("linescom.txt");
}

bool exists() {
    return QFileInfo::exists(fileName());
}

QStringList read() {
    removeLeftovers();
    QFile file(fileName());
    if (!file.open(QIODevice::ReadOnly)) {
        failRead(file.errorString());
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        failRead(file.errorString());
    }
    file.close();

    QStringList lines;
    qsizetype start = 0;
    while (lines.size() < LineCount && start < content.size()) {
        qsizetype end = content.indexOf('\n', start);
        if (end < 0) {
            end = content.size();  // a last line without its line end
        }
        QByteArray line = content.mid(start, end - start);
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        lines.append(fromDriverText(line));
        start = end + 1;
    }
    while (lines.size() < LineCount) {
        lines.append(QString());
    }
    return lines;
}

SaveOutcome save(const QStringList& lines) {
    removeLeftovers();
    const QFileInfo target(fileName());
    if (target.exists() && !target.isFile()) {
        // A directory or device under the name cannot be replaced by a file.
        return SaveOutcome::NotReplaced;
    }

    QByteArray content;
    for (int i = 0; i < LineCount; ++i) {
        content += toDriverText(lines.value(i));
        content += "\r\n";
    }

    QSaveFile file(fileName());
    if (!file.open(QIODevice::WriteOnly)) {
        failWrite(file.errorString());
    }
    // Every byte must have reached the temporary file before it may take the
    // old file's place. Qt's commit does not notice a flush that wrote only
    // part of the buffer (a full disk), so the flush is made and checked here.
    if (file.write(content) != content.size() || !file.flush()) {
        // A short write leaves Qt without the system's reason; the temporary
        // file goes away with the QSaveFile.
        file.cancelWriting();
        failWrite(QStringLiteral("gravação incompleta"));
    }
    if (!file.commit()) {
        if (file.error() == QFileDevice::RenameError && target.exists()) {
            return SaveOutcome::NotReplaced;
        }
        failWrite(file.errorString());
    }
    return SaveOutcome::Saved;
}

}  // namespace CommercialLinesFile
