#include "records/RtfWriter.h"

#include "platform/Paths.h"
#include "platform/RtfReader.h"

#include <QFile>

CRtfWriter::CRtfWriter(bool useTemplate) : m_template(useTemplate) {
    if (m_template)
        ParseRtf(TemplateText(), kReadTemplate, nullptr);
}

const QByteArray& CRtfWriter::TemplateText() {
    static const QByteArray text = [] {
        QFile file(platform::FindResourceFile(QStringLiteral("bgstyle.rtf")));
        if (file.open(QIODevice::ReadOnly))
            return file.read(1 << 20);
        // The program's own default styles, should the file be missing.
        return QByteArray(
            "{\\rtf1\\ansi\\deff4{\\fonttbl{\\f4\\froman\\fcharset0 Times New Roman;}}"
            "{\\colortbl;\\red0\\green0\\blue0;}"
            "{\\stylesheet{\\widctlpar\\f4\\fs20 \\snext0 Normal;}"
            "{\\s15\\keepn\\widctlpar\\b\\f4\\fs32 \\sbasedon0\\snext15 MatchTitle;}"
            "{\\s16\\sl180\\slmult0\\keepn\\widctlpar\\f4\\fs18 \\sbasedon0\\snext16 MatchLineSpace;}"
            "{\\s17\\sl180\\slmult0\\keepn\\widctlpar\\f4\\fs18 \\sbasedon16\\snext17 MatchBodyText;}"
            "{\\s18\\fi-2160\\li2160\\sl200\\slmult0\\widctlpar\\tx450\\tx2070\\b\\f4\\fs18 \\sbasedon16\\snext18 MatchMove;}"
            "{\\s19\\fi-7\\li360\\sl200\\slmult0\\widctlpar\\tx450\\tx2070\\f4\\fs18 \\sbasedon18\\snext19 MatchBoard;}"
            "{\\s20\\sl180\\slmult0\\keepn\\widctlpar\\f4\\fs18 \\sbasedon17\\snext20 MatchChat;}"
            "{\\s21\\sl180\\slmult0\\widctlpar\\f4\\fs18 \\sbasedon17\\snext21 MatchAnnotation;}"
            "{\\s22\\keepn\\widctlpar\\b\\i\\f4\\fs18 \\sbasedon0\\snext22 MatchSubtitle;}}"
            "\\pard\\plain \\par}");
    }();
    return text;
}

QByteArray CRtfWriter::AnnotationBytes(const QString& rtf) {
    QByteArray bytes;
    bytes.reserve(rtf.size());
    for (const QChar c : rtf) {
        if (c.unicode() < 0x100)
            bytes += char(c.unicode());
        else
            bytes += "\\u" + QByteArray::number(int(qint16(c.unicode()))) + '?';
    }
    return bytes;
}

void CRtfWriter::ReadTemplate(const QByteArray& rtf) {
    if (rtf.size() <= kMaxAppendedRtf)
        ParseRtf(rtf, kReadTemplate, nullptr);
}

void CRtfWriter::Open() {
    m_open = true;
    m_style.clear();
    m_bodyAppended = false;
    m_out = "{";
    if (m_template)
        ParseRtf(TemplateText(), kCopyHeader, &m_out);
}

bool CRtfWriter::IsBalanced(const QByteArray& rtf) {
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i;
            continue;
        }
        if (rtf[i] == '{')
            ++depth;
        else if (rtf[i] == '}' && --depth < 0)
            return false;
    }
    return depth == 0;
}

void CRtfWriter::AppendRtf(const QByteArray& rtf) {
    QByteArray body;
    bool ok = rtf.size() <= kMaxAppendedRtf;
    if (ok) {
        ok = ParseRtf(rtf, m_bodyAppended ? kAppendBody : kFirstBody, &body) == ecOK && IsBalanced(body);
        // Fields and objects would make a reader fetch or run something.
        for (const char* word : {"\\field", "\\fld", "\\obj", "\\result"})
            ok = ok && !body.contains(word);
    }
    if (ok) {
        m_out += '{';
        m_out += body;
        m_out += '}';
        m_bodyAppended = true;
    } else {
        WriteText(platform::RtfReader::ToPlainText(rtf.left(kMaxAppendedRtf)).trimmed());
    }
    m_style.clear();
}

void CRtfWriter::SetStyle(const QString& name) {
    if (name == m_style)
        return;
    m_style = name;
    m_out += GetStyleText(name);
}

void CRtfWriter::WriteText(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\\' || c == u'{' || c == u'}') {
            m_out += '\\';
            m_out += char(c);
        } else if (c == u'\n') {
            m_out += "\\line ";
        } else if (c == u'\t') {
            m_out += "\\tab ";
        } else if (c < 0x20 || c == 0x7F) {
            continue;
        } else if (c < 0x80) {
            m_out += char(c);
        } else {
            m_out += "\\u" + QByteArray::number(int(qint16(c))) + '?';
        }
    }
}

void CRtfWriter::LineSpace() {
    SetStyle(QStringLiteral("MatchLineSpace"));
    EndParagraph();
}

void CRtfWriter::WritePicture(const QByteArray& png, const QSize& pixelSize, const QSize& goalTwips) {
    if (png.isEmpty())
        return;
    m_out += QByteArray("{\\pict\\pngblip\\picw") + QByteArray::number(pixelSize.width()) + "\\pich" +
             QByteArray::number(pixelSize.height()) + "\\picwgoal" + QByteArray::number(goalTwips.width()) +
             "\\pichgoal" + QByteArray::number(goalTwips.height()) + "\r\n";
    for (qsizetype at = 0; at < png.size(); at += 127) {
        m_out += png.mid(at, 127).toHex();
        m_out += "\r\n";
    }
    m_out += "}";
}

void CRtfWriter::Close() {
    if (!m_open)
        return;
    m_out += "}";
    m_open = false;
}
