#include "platform/RtfReader.h"

#include "platform/Cp1252.h"

#include <QBuffer>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

namespace platform {

namespace {

// Groups whose contents are not shown.
bool isSkippedDestination(const QByteArray& w) {
    static const QByteArray words[] = {
        "info",         "stylesheet", "header",     "headerl",   "headerr",
        "headerf",      "footer",     "footerl",    "footerr",   "footerf",
        "footnote",     "annotation", "fldinst",    "listtable", "listoverridetable",
        "rsidtbl",      "xmlnstbl",   "generator",  "themedata", "colorschememapping",
        "latentstyles", "datastore",  "nonshppict", "object",    "pgdsctbl",
        "revtbl",       "filetbl",    "template",   "private",   "bkmkstart",
        "bkmkend",      "atnid",      "atnauthor",  "xe",        "tc",
        "txe",          "userprops",  "docvar",     "mmathPr",   "ftnsep",
        "ftnsepc",      "aftnsep",    "aftnsepc",   "listtext",  "pnseclvl",
    };
    return std::find(std::begin(words), std::end(words), w) != std::end(words);
}

constexpr double kTwipsPerPixel = 15.0; // 1440 twips an inch at 96 pixels an inch

class Reader {
public:
    Reader(QTextDocument& document) : m_doc(document), m_cursor(&document) {}

    QString run(const QByteArray& rtf);

private:
    enum class Dest { Text, Skip, FontTable, ColorTable, Picture };
    enum class PictureKind { None, Png, Jpeg, Other };

    struct State {
        Dest dest = Dest::Text;
        bool bold = false, italic = false, underline = false, strike = false;
        int vertical = 0;  // 1 superscript, -1 subscript
        int fontSize = 24; // half points
        int font = -1;
        int color = 0, background = 0;
        int uc = 1;
        QTextBlockFormat block;
        QList<QTextOption::Tab> tabs;
        int tabKind = 0; // 0 left, 1 centre, 2 right, 3 decimal: the kind of the next tab stop
        bool inTable = false;
    };

    struct Picture {
        PictureKind kind = PictureKind::None;
        QByteArray data;
        int goalWidth = 0, goalHeight = 0; // twips
        int scaleX = 100, scaleY = 100;
        int nibble = -1;
    };

    void flushText();
    void flushBytes() {
        if (!m_bytes.isEmpty()) {
            m_text += decode(m_bytes);
            m_bytes.clear();
        }
    }
    void addByte(char c);
    void addChar(QChar c);
    void addUnicode(char32_t c);
    void keyword(const QByteArray& word, bool hasParam, int param);
    void controlSymbol(char c);
    void endGroup(const State& leaving);
    void endParagraph();
    void finishFontEntry();
    void insertPicture();
    QTextCharFormat charFormat() const;
    QString decode(const QByteArray& bytes) const;

    QTextDocument& m_doc;
    QTextCursor m_cursor;
    State m_state;
    std::vector<State> m_stack;
    int m_ignoredDepth = 0; // groups deeper than the limit, read without a state of their own
    bool m_skipIfUnknown = false;
    int m_skipChars = 0;   // characters still to skip after "\u"
    QByteArray m_bytes;    // code-page bytes not yet decoded
    QString m_text;        // text not yet inserted
    QByteArray m_codePage; // empty: Windows-1252

    QHash<int, QString> m_fonts;
    int m_defaultFont = -1;
    int m_fontEntry = -1;
    QByteArray m_fontName;
    QList<QColor> m_colors; // invalid: the automatic colour
    int m_red = -1, m_green = -1, m_blue = -1;
    Picture m_picture;
    int m_pictures = 0;
    bool m_blockUsed = false; // the cursor's block holds text or its format was set
    // A paragraph inside a table cell ended: a line break when more of the cell follows, nothing when
    // the cell ends (each cell's text then sits in one row, the cells apart by tabs).
    bool m_cellParagraphEnded = false;
    void continueCell() {
        if (m_cellParagraphEnded) {
            m_cellParagraphEnded = false;
            m_text += QChar(QChar::LineSeparator);
        }
    }
};

QString Reader::decode(const QByteArray& bytes) const {
    if (!m_codePage.isEmpty()) {
        QStringDecoder decoder(m_codePage.constData());
        if (decoder.isValid())
            return decoder.decode(bytes);
    }
    return cp1252::decode(bytes);
}

void Reader::addByte(char c) {
    if (m_skipChars > 0) {
        --m_skipChars;
        return;
    }
    if (m_state.dest == Dest::FontTable) {
        if (m_fontName.size() < 256)
            m_fontName += c;
        return;
    }
    if (m_state.dest == Dest::Text) {
        if (m_cellParagraphEnded) {
            flushBytes();
            continueCell();
        }
        m_bytes += c;
    }
}

void Reader::addChar(QChar c) {
    if (m_state.dest != Dest::Text)
        return;
    flushBytes();
    continueCell();
    m_text += c;
}

void Reader::addUnicode(char32_t c) {
    if (m_state.dest == Dest::FontTable) {
        m_skipChars = m_state.uc;
        return;
    }
    if (c > 0xFFFF) {
        const char16_t pair[2] = {QChar::highSurrogate(c), QChar::lowSurrogate(c)};
        addChar(QChar(pair[0]));
        addChar(QChar(pair[1]));
    } else {
        addChar(QChar(char16_t(c)));
    }
    m_skipChars = m_state.uc;
}

QTextCharFormat Reader::charFormat() const {
    QTextCharFormat f;
    const QString family = m_fonts.value(m_state.font >= 0 ? m_state.font : m_defaultFont);
    if (!family.isEmpty())
        f.setFontFamilies({family});
    f.setFontPointSize(std::clamp(m_state.fontSize, 2, 3276) / 2.0);
    f.setFontWeight(m_state.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(m_state.italic);
    f.setFontUnderline(m_state.underline);
    f.setFontStrikeOut(m_state.strike);
    if (m_state.vertical)
        f.setVerticalAlignment(m_state.vertical > 0 ? QTextCharFormat::AlignSuperScript
                                                    : QTextCharFormat::AlignSubScript);
    if (m_state.color > 0 && m_state.color < m_colors.size() && m_colors[m_state.color].isValid())
        f.setForeground(m_colors[m_state.color]);
    if (m_state.background > 0 && m_state.background < m_colors.size() &&
        m_colors[m_state.background].isValid())
        f.setBackground(m_colors[m_state.background]);
    return f;
}

void Reader::flushText() {
    if (!m_bytes.isEmpty()) {
        m_text += decode(m_bytes);
        m_bytes.clear();
    }
    if (m_text.isEmpty())
        return;
    QTextBlockFormat block = m_state.block;
    block.setTabPositions(m_state.tabs);
    m_cursor.setBlockFormat(block);
    m_cursor.insertText(m_text, charFormat());
    m_text.clear();
    m_blockUsed = true;
}

void Reader::endParagraph() {
    flushText();
    QTextBlockFormat block = m_state.block;
    block.setTabPositions(m_state.tabs);
    m_cursor.setBlockFormat(block);
    m_cursor.insertBlock(block, charFormat());
    m_blockUsed = false;
}

void Reader::finishFontEntry() {
    QByteArray name = m_fontName;
    m_fontName.clear();
    const qsizetype semicolon = name.indexOf(';');
    if (semicolon >= 0)
        name.truncate(semicolon);
    name = name.trimmed();
    if (m_fontEntry >= 0 && !name.isEmpty() && m_fonts.size() < 4096)
        m_fonts.insert(m_fontEntry, cp1252::decode(name));
    m_fontEntry = -1;
}

void Reader::insertPicture() {
    Picture picture = std::move(m_picture);
    m_picture = Picture();
    if (picture.kind != PictureKind::Png && picture.kind != PictureKind::Jpeg)
        return;
    QBuffer buffer(&picture.data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, picture.kind == PictureKind::Png ? "png" : "jpeg");
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > RtfReader::kMaxPictureSide ||
        size.height() > RtfReader::kMaxPictureSide)
        return;
    const QImage image = reader.read();
    if (image.isNull())
        return;
    continueCell();
    flushText();
    const QString name = QStringLiteral("rtfpict:%1").arg(++m_pictures);
    m_doc.addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat format;
    format.setName(name);
    const double width = picture.goalWidth > 0 ? picture.goalWidth / kTwipsPerPixel : image.width();
    const double height = picture.goalHeight > 0 ? picture.goalHeight / kTwipsPerPixel : image.height();
    format.setWidth(std::clamp(width * picture.scaleX / 100.0, 1.0, double(RtfReader::kMaxPictureSide)));
    format.setHeight(std::clamp(height * picture.scaleY / 100.0, 1.0, double(RtfReader::kMaxPictureSide)));
    QTextBlockFormat block = m_state.block;
    block.setTabPositions(m_state.tabs);
    m_cursor.setBlockFormat(block);
    m_cursor.insertImage(format);
    m_blockUsed = true;
}

void Reader::endGroup(const State& leaving) {
    if (leaving.dest == Dest::FontTable && m_state.dest != Dest::FontTable)
        finishFontEntry();
    else if (leaving.dest == Dest::FontTable && m_fontEntry >= 0 && !m_fontName.isEmpty())
        finishFontEntry(); // the end of one "{\f1 ...;}" entry
    if (leaving.dest == Dest::Picture && m_state.dest != Dest::Picture)
        insertPicture();
}

void Reader::controlSymbol(char c) {
    switch (c) {
    case '\\':
    case '{':
    case '}':
        addChar(QLatin1Char(c));
        break;
    case '~':
        addChar(QChar(0x00A0));
        break;
    case '_':
        addChar(QChar(0x2011));
        break;
    case '-':
        addChar(QChar(0x00AD));
        break;
    case '\r':
    case '\n':
        if (m_state.dest == Dest::Text)
            endParagraph();
        break;
    case '*':
        m_skipIfUnknown = true;
        break;
    default:
        break;
    }
}

void Reader::keyword(const QByteArray& w, bool hasParam, int param) {
    const bool skipIfUnknown = m_skipIfUnknown;
    m_skipIfUnknown = false;
    State& s = m_state;
    const int value = hasParam ? param : 1;
    if (s.dest == Dest::Skip)
        return;

    // Destinations.
    if (w == "fonttbl") {
        s.dest = Dest::FontTable;
        return;
    }
    if (w == "colortbl") {
        s.dest = Dest::ColorTable;
        m_red = m_green = m_blue = -1;
        return;
    }
    if (w == "pict") {
        s.dest = Dest::Picture;
        m_picture = Picture();
        m_picture.kind = PictureKind::Other;
        return;
    }
    if (isSkippedDestination(w) || (skipIfUnknown && w != "shppict")) {
        s.dest = Dest::Skip;
        return;
    }

    if (s.dest == Dest::Picture) {
        Picture& p = m_picture;
        if (w == "pngblip")
            p.kind = PictureKind::Png;
        else if (w == "jpegblip")
            p.kind = PictureKind::Jpeg;
        else if (w == "picwgoal")
            p.goalWidth = std::clamp(param, 0, 1 << 24);
        else if (w == "pichgoal")
            p.goalHeight = std::clamp(param, 0, 1 << 24);
        else if (w == "picscalex")
            p.scaleX = std::clamp(param, 1, 1000);
        else if (w == "picscaley")
            p.scaleY = std::clamp(param, 1, 1000);
        return;
    }
    if (s.dest == Dest::ColorTable) {
        const int part = std::clamp(param, 0, 255);
        if (w == "red")
            m_red = part;
        else if (w == "green")
            m_green = part;
        else if (w == "blue")
            m_blue = part;
        return;
    }
    if (s.dest == Dest::FontTable) {
        if (w == "f") {
            if (m_fontEntry >= 0)
                finishFontEntry();
            m_fontEntry = param;
        }
        return;
    }

    if (w == "deff") {
        m_defaultFont = param;
        return;
    }
    if (w == "ansicpg") {
        const QByteArray name = "windows-" + QByteArray::number(param);
        m_codePage = param != 1252 && QStringDecoder(name.constData()).isValid() ? name : QByteArray();
        return;
    }
    // Characters.
    if (w == "par" && s.inTable) {
        flushText();
        m_cellParagraphEnded = true;
    } else if (w == "par" || w == "row") {
        m_cellParagraphEnded = false;
        endParagraph();
    } else if (w == "cell") {
        m_cellParagraphEnded = false;
        addChar(QLatin1Char('\t'));
    } else if (w == "line") {
        addChar(QChar(QChar::LineSeparator));
    } else if (w == "tab") {
        addChar(QLatin1Char('\t'));
    } else if (w == "emdash") {
        addChar(QChar(0x2014));
    } else if (w == "endash") {
        addChar(QChar(0x2013));
    } else if (w == "bullet") {
        addChar(QChar(0x2022));
    } else if (w == "lquote") {
        addChar(QChar(0x2018));
    } else if (w == "rquote") {
        addChar(QChar(0x2019));
    } else if (w == "ldblquote") {
        addChar(QChar(0x201C));
    } else if (w == "rdblquote") {
        addChar(QChar(0x201D));
    } else if (w == "u" && hasParam) {
        addUnicode(char32_t(param < 0 ? param + 65536 : param) & 0xFFFF);
    } else if (w == "uc") {
        s.uc = std::clamp(param, 0, 10);
    } else {
        // Formatting: the text so far keeps the old format.
        flushText();
        if (w == "plain") {
            const State reset;
            s.bold = s.italic = s.underline = s.strike = false;
            s.vertical = 0;
            s.fontSize = reset.fontSize;
            s.font = -1;
            s.color = s.background = 0;
        } else if (w == "intbl") {
            s.inTable = true;
        } else if (w == "pard") {
            s.inTable = false;
            s.block = QTextBlockFormat();
            s.tabs.clear();
            s.tabKind = 0;
        } else if (w == "b") {
            s.bold = value != 0;
        } else if (w == "i") {
            s.italic = value != 0;
        } else if (w == "ul") {
            s.underline = value != 0;
        } else if (w == "ulnone") {
            s.underline = false;
        } else if (w == "strike") {
            s.strike = value != 0;
        } else if (w == "super") {
            s.vertical = 1;
        } else if (w == "sub") {
            s.vertical = -1;
        } else if (w == "nosupersub") {
            s.vertical = 0;
        } else if (w == "fs") {
            s.fontSize = hasParam ? std::clamp(param, 2, 3276) : 24;
        } else if (w == "f") {
            s.font = param;
        } else if (w == "cf") {
            s.color = param;
        } else if (w == "cb" || w == "highlight") {
            s.background = param;
        } else if (w == "ql") {
            s.block.setAlignment(Qt::AlignLeft);
        } else if (w == "qr") {
            s.block.setAlignment(Qt::AlignRight);
        } else if (w == "qc") {
            s.block.setAlignment(Qt::AlignHCenter);
        } else if (w == "qj") {
            s.block.setAlignment(Qt::AlignJustify);
        } else if (w == "keepn") {
            // Kept with the next paragraph on the same page (read by the column printer).
            s.block.setProperty(RtfReader::kKeepWithNextProperty, true);
        } else if (w == "li") {
            s.block.setLeftMargin(std::clamp(param, -32767, 32767) / kTwipsPerPixel);
        } else if (w == "ri") {
            s.block.setRightMargin(std::clamp(param, -32767, 32767) / kTwipsPerPixel);
        } else if (w == "fi") {
            s.block.setTextIndent(std::clamp(param, -32767, 32767) / kTwipsPerPixel);
        } else if (w == "sb") {
            s.block.setTopMargin(std::clamp(param, 0, 32767) / kTwipsPerPixel);
        } else if (w == "sa") {
            s.block.setBottomMargin(std::clamp(param, 0, 32767) / kTwipsPerPixel);
        } else if (w == "sl") {
            // Positive: at least this high; negative: exactly.
            const int twips = std::clamp(param, -32767, 32767);
            if (twips > 0)
                s.block.setLineHeight(twips / kTwipsPerPixel, QTextBlockFormat::MinimumHeight);
            else if (twips < 0)
                s.block.setLineHeight(-twips / kTwipsPerPixel, QTextBlockFormat::FixedHeight);
        } else if (w == "tqc" || w == "tqr" || w == "tqdec") {
            s.tabKind = w == "tqc" ? 1 : w == "tqr" ? 2 : 3;
        } else if (w == "tx" && s.tabs.size() < 64) {
            const QTextOption::TabType types[] = {QTextOption::LeftTab, QTextOption::CenterTab,
                                                  QTextOption::RightTab, QTextOption::DelimiterTab};
            s.tabs.append(QTextOption::Tab(std::clamp(param, 0, 32767) / kTwipsPerPixel, types[s.tabKind]));
            s.tabKind = 0;
        }
    }
}

QString Reader::run(const QByteArray& rtf) {
    m_doc.clear();
    m_cursor = QTextCursor(&m_doc);
    const qsizetype n = rtf.size();
    qsizetype i = 0;
    while (i < n && (rtf[i] == ' ' || rtf[i] == '\r' || rtf[i] == '\n' || rtf[i] == '\t'))
        ++i;
    if (!rtf.mid(i, 5).startsWith("{\\rtf"))
        return QStringLiteral("The text is not RTF.");
    QString error;
    bool started = false;
    while (i < n) {
        const char c = rtf[i];
        // "\*" marks only the control word right after it (line ends aside): anything else in between
        // (a brace, text, another symbol) ends the mark, so that it cannot skip a later group's words.
        if (m_skipIfUnknown && c != '\r' && c != '\n' &&
            !(c == '\\' && i + 1 < n && std::isalpha(static_cast<unsigned char>(rtf[i + 1]))))
            m_skipIfUnknown = false;
        if (c == '{') {
            ++i;
            if (m_state.dest == Dest::Text)
                flushText();
            if (int(m_stack.size()) >= RtfReader::kMaxDepth) {
                ++m_ignoredDepth;
                continue;
            }
            m_stack.push_back(m_state);
            if (m_state.dest == Dest::FontTable && m_fontEntry >= 0)
                finishFontEntry();
            started = true;
        } else if (c == '}') {
            ++i;
            if (m_ignoredDepth > 0) {
                --m_ignoredDepth;
                continue;
            }
            if (m_stack.empty()) {
                error = QStringLiteral("The text closes a group it never opened.");
                break;
            }
            if (m_state.dest == Dest::Text)
                flushText();
            const State leaving = m_state;
            m_state = m_stack.back();
            m_stack.pop_back();
            endGroup(leaving);
            if (m_stack.empty() && started)
                break; // the end of the document
        } else if (c == '\\') {
            ++i;
            if (i >= n) {
                error = QStringLiteral("The text ends inside a control word.");
                break;
            }
            const char d = rtf[i];
            const bool letter = (d >= 'a' && d <= 'z') || (d >= 'A' && d <= 'Z');
            if (!letter) {
                ++i;
                if (d == '\'') {
                    const auto hex = [](char h) {
                        return h >= '0' && h <= '9'   ? h - '0'
                               : h >= 'a' && h <= 'f' ? h - 'a' + 10
                               : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                                      : -1;
                    };
                    const int hi = i < n ? hex(rtf[i]) : -1;
                    const int lo = i + 1 < n ? hex(rtf[i + 1]) : -1;
                    if (hi >= 0 && lo >= 0) {
                        i += 2;
                        addByte(char(hi * 16 + lo));
                    }
                } else if (d == '\\' || d == '{' || d == '}') {
                    if (m_state.dest == Dest::FontTable)
                        addByte(d);
                    else
                        controlSymbol(d);
                } else {
                    controlSymbol(d);
                }
                continue;
            }
            QByteArray word;
            while (i < n && ((rtf[i] >= 'a' && rtf[i] <= 'z') || (rtf[i] >= 'A' && rtf[i] <= 'Z'))) {
                if (word.size() < 32)
                    word += rtf[i];
                ++i;
            }
            bool negative = false, hasParam = false;
            qint64 param = 0;
            if (i + 1 < n && rtf[i] == '-' && rtf[i + 1] >= '0' && rtf[i + 1] <= '9') {
                negative = true;
                ++i;
            }
            while (i < n && rtf[i] >= '0' && rtf[i] <= '9') {
                hasParam = true;
                param = std::min<qint64>(param * 10 + (rtf[i] - '0'), 0x7FFFFFFF);
                ++i;
            }
            if (i < n && rtf[i] == ' ')
                ++i;
            const int value = int(negative ? -param : param);
            if (word == "bin") {
                // Binary data: a picture's bytes, or skipped.
                const qsizetype length = std::clamp<qint64>(value, 0, n - i);
                if (m_state.dest == Dest::Picture &&
                    m_picture.data.size() + length <= RtfReader::kMaxPictureBytes)
                    m_picture.data += rtf.mid(i, length);
                i += length;
                continue;
            }
            if (m_skipChars > 0 && word != "u") {
                --m_skipChars; // a control word stands for one character after "\u"
                continue;
            }
            keyword(word, hasParam, value);
        } else if (c == '\r' || c == '\n') {
            ++i;
        } else {
            ++i;
            switch (m_state.dest) {
            case Dest::Text:
            case Dest::FontTable:
                if (c == ';' && m_state.dest == Dest::FontTable) {
                    finishFontEntry();
                    break;
                }
                if (c != '\t' || m_state.dest == Dest::Text)
                    addByte(c);
                break;
            case Dest::ColorTable:
                if (c == ';') {
                    if (m_colors.size() < 4096)
                        m_colors.append(
                            m_red < 0 && m_green < 0 && m_blue < 0
                                ? QColor()
                                : QColor(std::max(m_red, 0), std::max(m_green, 0), std::max(m_blue, 0)));
                    m_red = m_green = m_blue = -1;
                }
                break;
            case Dest::Picture: {
                const int h = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
                if (h < 0 || m_picture.data.size() >= RtfReader::kMaxPictureBytes)
                    break;
                if (m_picture.nibble < 0) {
                    m_picture.nibble = h;
                } else {
                    m_picture.data += char(m_picture.nibble * 16 + h);
                    m_picture.nibble = -1;
                }
                break;
            }
            case Dest::Skip:
                break;
            }
        }
    }
    if (error.isEmpty() && (!m_stack.empty() || m_ignoredDepth > 0))
        error = QStringLiteral("The text ends inside a group.");
    if (m_state.dest == Dest::Text || !m_stack.empty())
        flushText();
    // A trailing \par leaves an empty last block that is no paragraph of the text.
    if (!m_blockUsed && m_doc.blockCount() > 1) {
        m_cursor.movePosition(QTextCursor::End);
        m_cursor.deletePreviousChar();
    }
    return error;
}

} // namespace

bool RtfReader::Read(const QByteArray& rtf, QTextDocument& document) {
    Reader reader(document);
    m_error = reader.run(rtf);
    return m_error.isEmpty();
}

QString RtfReader::ToPlainText(const QByteArray& rtf) {
    QTextDocument document;
    RtfReader().Read(rtf, document);
    QString text = document.toPlainText();
    text.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
    text.replace(QChar(QChar::Nbsp), QLatin1Char(' '));
    return text;
}

} // namespace platform
