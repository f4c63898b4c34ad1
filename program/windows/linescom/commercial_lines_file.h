// The commercial-lines file "linescom.txt" in the working directory: eight
// lines of 8-bit text in the printer's code page (Windows Latin), each ended
// by CR LF. The commercial-lines window writes it; that window and the
// payment window read it.
#pragma once

#include <QString>
#include <QStringList>

namespace CommercialLinesFile {

constexpr int LineCount = 8;

// "linescom.txt", relative to the working directory.
QString fileName();

// Whether anything stands at the file's name (a directory there counts, so
// that it is reported rather than silently written over).
bool exists();

// The first eight lines, decoded from the code page; lines missing at the
// end come back empty. Lines may end in CR LF or LF alone.
// Throws InOutError when the file cannot be read. Like save(), it first
// removes the temporary files an interrupted save may have left beside it.
QStringList read();

enum class SaveOutcome {
    Saved,
    // The new text was written in full but could not take the old file's
    // place; the old file is untouched.
    NotReplaced,
};

// Writes the eight lines (missing ones empty, extra ones ignored) to a
// temporary file beside the old one, flushes it and puts it in the old
// file's place in one step, so that a failure at any point leaves the old
// file whole and no partial file behind.
// Throws InOutError when the new text cannot be written.
SaveOutcome save(const QStringList& lines);

}  // namespace CommercialLinesFile
