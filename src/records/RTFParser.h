#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

// Reads RTF texts for the match RTF writer: merges the font, colour and style tables of the style
// template and of the annotations into one set of tables, writes the merged header, gives the
// paragraph text of a named style, and copies the bodies of further texts with their font, colour and
// style numbers renumbered to the merged tables. It renders nothing.
//
// Any input is safe: groups nest at most kMaxDepth deep, names and tables are bounded, and a body
// that ends in the middle of a group or a "\'hh" escape is closed off so that the document it is
// copied into stays well formed.
class CRTFParser {
public:
    enum Mode {
        kReadTemplate = 1, // merge the tables, write nothing, stop at the body
        kCopyHeader = 2,   // copy the header, writing the merged tables in place of the text's own
        kFirstBody = 3,    // the first body after the document was opened
        kAppendBody = 4,   // a further body
    };
    enum Result {
        ecOK = 0,
        ecStackUnderflow = 1,
        ecStackOverflow = 2,
        ecUnmatchedBrace = 3,
        ecInvalidHex = 4,
        ecBadTable = 5,
        ecAssertion = 6,
        ecEndOfFile = 7,
        ecBufferFull = 8,
        ecBodyReached = 9, // modes 1 and 2 stop here; a success
    };
    static constexpr int kMaxDepth = 200;
    static constexpr int kMaxEntry = 1024;     // bytes of one font or style entry's text
    static constexpr int kMaxEntryWords = 128; // control words kept for one font or style
    static constexpr int kMaxTableSize = 1024; // merged fonts, colours and styles, each
    static constexpr int kMaxOwnKeywords = 2048;
    static constexpr int kNoValue = -32768; // a word without a parameter

    struct Word {
        QByteArray keyword;
        int value = kNoValue;
        bool operator==(const Word&) const = default;
    };
    struct Entry { // a merged font or style
        int number = 0;
        QList<Word> words;
        QByteArray name;
        bool characterStyle = false;
    };

    CRTFParser();
    ~CRTFParser();
    CRTFParser(const CRTFParser&) = delete;
    CRTFParser& operator=(const CRTFParser&) = delete;

    // Reads one text in a mode; out receives what modes 2 to 4 write (may be null). Returns a Result;
    // on an error the tables keep what was merged before it.
    int ParseRtf(const QByteArray& text, int mode, QByteArray* out);

    // "\pard\plain\sN" and the style's words, then a blank; "Normal" stands in for an unknown name,
    // "\pard\plain " when there is neither.
    QByteArray GetStyleText(const QString& name) const;

    const QList<Entry>& Fonts() const { return m_fonts; }
    const QList<Entry>& Styles() const { return m_styles; }
    // 0x00BBGGRR, or -1 for the automatic colour.
    const QList<qint64>& Colors() const { return m_colors; }
    // Control words met that the shared table does not know, in the order met.
    QList<QByteArray> OwnKeywords() const;

private:
    struct Run;
    friend struct Run;

    QList<Entry> m_fonts;
    QList<Entry> m_styles;
    QList<qint64> m_colors;
    QHash<QByteArray, int> m_fontByName;  // name -> index into m_fonts
    QHash<QByteArray, int> m_styleByName; // name -> index into m_styles
    QHash<QByteArray, int> m_ownKeywords; // keyword -> its number (-1, -2, ...)
};
