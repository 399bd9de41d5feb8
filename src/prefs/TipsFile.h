#pragma once

#include <QFile>
#include <QString>
#include <QStringView>

// The tips file: one tip per line. A line that is empty or begins with a blank, a tab or ";" is not a
// tip. Line ends may be "\n" or "\r\n" (a '\r' before the line end is white space, not text). A line
// longer than 1000 characters is cut, never split into two tips. The text is UTF-8, or Windows-1252
// when it is not valid UTF-8.
class CTipsFile {
public:
    static constexpr int kMaxLineLength = 1000;

    enum class Result {
        Tip,       // a tip was read
        NoTips,    // a whole pass over the file found none
        ReadError, // the file could not be read or rewound
    };

    bool Open(const QString& path);
    bool IsOpen() const { return m_file.isOpen(); }
    void Close() { m_file.close(); }

    // The file's modification time in the C library's ctime form, without the trailing line feed.
    QString ModificationTimeText() const;

    // Byte offset of the next line to read.
    qint64 Pos() const { return m_file.pos(); }
    // -> false for a negative offset or a file that cannot seek. An offset past the end is allowed:
    // the next read starts again at the beginning.
    bool Seek(qint64 position);

    // Reads on from the current position to the next tip, going back to the beginning once at the end
    // of the file; a file without any tip ends the search instead of going round for ever.
    Result NextTip(QString& tip);

    // Whether a line (already without its line end) is a tip.
    static bool IsTipLine(QStringView line);
    // One line as read from the file (line end included, possibly cut) -> its text.
    static QString DecodeLine(const QByteArray& bytes);

private:
    // One whole line, at most a bounded number of bytes kept -> false at the end of the file or on error.
    bool readLine(QByteArray& line, bool& error);

    QFile m_file;
};
