#pragma once

#include "records/RTFParser.h"

#include <QByteArray>
#include <QSize>
#include <QString>

// Writes one RTF document over the style template "bgstyle.rtf": the template's fonts, colours and
// paragraph styles (and those of any RTF read in with ReadTemplate) make the document's header, and
// the body is written with style switches, escaped text, raw fragments, paragraphs and pictures.
class CRtfWriter : public CRTFParser {
public:
    // Annotation bodies larger than this are written as their plain text.
    static constexpr qsizetype kMaxAppendedRtf = 64 * 1024;

    // With the template flag the template is read at once (its header is then written by Open).
    explicit CRtfWriter(bool useTemplate = true);

    // The template: "bgstyle.rtf" beside the program, else the copy in the source tree's resources;
    // loaded once per process.
    static const QByteArray& TemplateText();

    // An annotation's RTF as bytes: characters beyond Latin-1 become "\uN?" escapes instead of '?'.
    static QByteArray AnnotationBytes(const QString& rtf);

    // Merges the fonts, colours and styles of another RTF text into the header to come.
    void ReadTemplate(const QByteArray& rtf);
    // Starts a new document: "{" and, with the template, the merged header.
    void Open();
    // Copies the body of an RTF text with its numbers mapped to the merged tables, inside a group of
    // its own, so that nothing it sets (an ignorable destination, a hidden or deleted run) reaches past
    // it. A text that is too large, does not read cleanly or holds fields or objects goes in as its
    // plain text instead, so one bad annotation cannot break the document.
    void AppendRtf(const QByteArray& rtf);
    // Writes the paragraph text of a style, when it is not the current one already.
    void SetStyle(const QString& name);
    const QString& GetStyle() const { return m_style; }
    // Plain text: '\', '{' and '}' escaped, other characters beyond ASCII as "\uN?", line ends as
    // "\line", control characters other than tabs dropped.
    void WriteText(const QString& text);
    void WriteRaw(const QByteArray& fragment) { m_out += fragment; }
    void EndParagraph() { m_out += "\\par\n"; }
    void LineSpace();
    void SetBold(bool on) { m_out += on ? "\\b " : "\\b0 "; }
    // A PNG picture of pixelSize shown at goalTwips: "{\pict\pngblip...", its bytes in hex with a
    // line end after every 127 bytes, "}".
    void WritePicture(const QByteArray& png, const QSize& pixelSize, const QSize& goalTwips);
    void Close();

    bool IsOpen() const { return m_open; }
    const QByteArray& GetText() const { return m_out; }

    // Whether the braces of an RTF text pair up (escaped braces aside).
    static bool IsBalanced(const QByteArray& rtf);

private:
    QString m_style;
    QByteArray m_out;
    bool m_open = false;
    bool m_template = false;
    bool m_bodyAppended = false;
};
