#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace platform {

// Reads RTF into a QTextDocument: the subset the match RTF writer and chat annotations use: fonts,
// colours, bold, italic, underline, strike-out, sizes, paragraphs with their indents, spacing,
// alignment and tab stops, special characters, "\'hh" and "\u" characters, table cells as tabs and
// rows as paragraphs, and PNG or JPEG pictures at their goal size. Whatever else the text holds is
// skipped. Any input is safe: nesting, pictures and the document's size are bounded, and bad text
// ends the reading with what was read so far.
class RtfReader {
public:
    // Set on a paragraph's block format by "\keepn": the paragraph stays on the page of the one after it.
    static constexpr int kKeepWithNextProperty = 0x100000 + 1; // QTextFormat::UserProperty + 1
    static constexpr int kMaxDepth = 200;
    static constexpr qsizetype kMaxPictureBytes = 16 * 1024 * 1024;
    static constexpr int kMaxPictureSide = 8192; // pixels

    // Replaces the document's contents. Returns false when the text is not RTF (it does not begin with
    // "{\rtf") or ends early; the document then holds what was read (nothing when it is not RTF).
    bool Read(const QByteArray& rtf, QTextDocument& document);

    // Why the last Read returned false; empty after a success.
    QString ErrorString() const { return m_error; }

    // The plain text of an RTF text, paragraphs separated by '\n'.
    static QString ToPlainText(const QByteArray& rtf);

private:
    QString m_error;
};

} // namespace platform
