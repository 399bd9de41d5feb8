#include "records/RTFParser.h"
#include "records/RtfWriter.h"

#include "platform/Paths.h"
#include "platform/RtfReader.h"
#include "support/QtPrinters.h"
#include "version.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}
QByteArray templateText() {
    return readFile(platform::FindResourceFile("bgstyle.rtf"));
}
QByteArray testData(const char* name) {
    return readFile(QStringLiteral(NORVALE_SOURCE_DIR "/tests/records/data/") + name);
}

const CRTFParser::Entry* findByName(const QList<CRTFParser::Entry>& entries, const QByteArray& name) {
    for (const CRTFParser::Entry& e : entries)
        if (e.name == name)
            return &e;
    return nullptr;
}

// The document the match writer makes: header of the merged tables, bodies, closing brace.
QByteArray mergedDocument(CRTFParser& parser, const QList<QByteArray>& annotations) {
    EXPECT_EQ(parser.ParseRtf(templateText(), CRTFParser::kReadTemplate, nullptr), CRTFParser::ecBodyReached);
    for (const QByteArray& a : annotations)
        parser.ParseRtf(a, CRTFParser::kReadTemplate, nullptr);
    QByteArray out = "{";
    EXPECT_EQ(parser.ParseRtf(templateText(), CRTFParser::kCopyHeader, &out), CRTFParser::ecBodyReached);
    bool first = true;
    for (const QByteArray& a : annotations) {
        out += parser.GetStyleText("MatchAnnotation");
        EXPECT_EQ(parser.ParseRtf(a, first ? CRTFParser::kFirstBody : CRTFParser::kAppendBody, &out),
                  CRTFParser::ecOK);
        first = false;
        out += "\\par\n";
    }
    out += "}";
    return out;
}

TEST(RTFParser, TheTemplateGivesItsTablesAndStyleTexts) {
    CRTFParser parser;
    QByteArray out;
    EXPECT_EQ(parser.ParseRtf(templateText(), CRTFParser::kReadTemplate, &out), CRTFParser::ecBodyReached);
    EXPECT_TRUE(out.isEmpty());
    ASSERT_EQ(parser.Fonts().size(), 1);
    EXPECT_EQ(parser.Fonts()[0].number, 4);
    EXPECT_EQ(parser.Fonts()[0].name, "Times New Roman");
    ASSERT_EQ(parser.Colors().size(), 17);
    EXPECT_EQ(parser.Colors()[0], -1);
    EXPECT_EQ(parser.Colors()[6], 0x0000FF); // red as 0x00BBGGRR
    EXPECT_EQ(parser.Styles().size(), 10);
    EXPECT_TRUE(findByName(parser.Styles(), "Default Paragraph Font")->characterStyle);

    const struct {
        const char* name;
        QByteArray text;
    } cases[] = {
        {"MatchMove",
         "\\pard\\plain\\s18\\fi-2160\\li2160\\sl200\\slmult0\\widctlpar\\tx450\\tx2070\\b\\f4\\fs18 "},
        {"MatchTitle", "\\pard\\plain\\s15\\keepn\\widctlpar\\b\\f4\\fs32 "},
        {"MatchSubtitle", "\\pard\\plain\\s22\\keepn\\widctlpar\\b\\i\\f4\\fs18 "},
        {"NoSuchStyle", "\\pard\\plain\\s0\\widctlpar\\f4\\fs20 "},
        {"matchmove", "\\pard\\plain\\s0\\widctlpar\\f4\\fs20 "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parser.GetStyleText(c.name), c.text) << c.name;
    EXPECT_EQ(CRTFParser().GetStyleText("Normal"), "\\pard\\plain ");
}

TEST(RTFParser, FontsColoursAndStylesMergeByNameAndBodiesAreRenumbered) {
    const QByteArray other =
        "{\\rtf1\\ansi\\deff2{\\fonttbl{\\f2\\froman Times New Roman;}{\\f4\\fswiss Arial;}}"
        "{\\colortbl\\red1\\green2\\blue3;\\red255\\green0\\blue0;;}"
        "{\\stylesheet{\\s0 Normal;}{\\s15\\f4\\cf1\\sbasedon0\\snext16 Heading;}{\\s16\\sbasedon15\\snext0 "
        "Sub;}"
        "{\\s18 MatchMove;}}"
        "\\pard\\s16\\f2 roman \\f4 sans\\cf0 tint\\cf1 red\\cf2 auto\\s18 move\\s15 head\\f9 none\\par}";
    CRTFParser parser;
    parser.ParseRtf(templateText(), CRTFParser::kReadTemplate, nullptr);
    QByteArray out;
    EXPECT_EQ(parser.ParseRtf(other, CRTFParser::kFirstBody, &out), CRTFParser::ecOK);

    ASSERT_EQ(parser.Fonts().size(), 2);
    EXPECT_EQ(findByName(parser.Fonts(), "Arial")->number, 5); // its own number was taken
    ASSERT_EQ(parser.Colors().size(), 18);
    EXPECT_EQ(parser.Colors()[17], 0x030201);
    const CRTFParser::Entry* heading = findByName(parser.Styles(), "Heading");
    const CRTFParser::Entry* sub = findByName(parser.Styles(), "Sub");
    ASSERT_TRUE(heading && sub);
    EXPECT_EQ(heading->number, 23);
    EXPECT_EQ(sub->number, 24);
    const QList<CRTFParser::Word> headingWords = {
        {"s", 23}, {"f", 5}, {"cf", 6}, {"sbasedon", 0}, {"snext", 24}};
    EXPECT_EQ(heading->words, headingWords);
    EXPECT_EQ(sub->words[1], (CRTFParser::Word{"sbasedon", 23}));
    EXPECT_EQ(sub->words[2], (CRTFParser::Word{"snext", 0}));

    EXPECT_EQ(
        out,
        "\\pard\\s24\\f4 roman \\f5 sans\\cf17 tint\\cf6 red\\cf0 auto\\s18 move\\s23 head\\f4 none\\par");
}

TEST(RTFParser, TheHeaderCarriesTheMergedTablesOfEveryText) {
    CRTFParser parser;
    const QByteArray doc =
        mergedDocument(parser, {testData("pandoc-annotation.rtf"), testData("enscript-code.rtf")});
    EXPECT_TRUE(CRtfWriter::IsBalanced(doc));
    EXPECT_TRUE(
        doc.startsWith("{\\rtf1\\ansi\\deff4\\deflang1033{\\fonttbl{\\f4\\froman\\fcharset0\\fprq2 Times New "
                       "Roman;}\n{\\f0\\fswiss Helvetica;}\n{\\f1\\fmodern Courier;}\n{\\f5\\fswiss Courier "
                       "New;}\n}"))
        << doc.left(300).toStdString();
    EXPECT_TRUE(doc.contains("{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;"));
    EXPECT_TRUE(doc.contains("{\\*\\cs10\\additive Default Paragraph Font;}\n"));
    // Each body once, without its own header, in the annotation's style.
    EXPECT_EQ(doc.count("\\rtf1"), 1);
    EXPECT_EQ(doc.count("\\fonttbl"), 1);
    EXPECT_EQ(doc.count("\\colortbl"), 1);
    EXPECT_TRUE(
        doc.contains("\\pard\\plain\\s21\\sl180\\slmult0\\widctlpar\\f4\\fs18 \n\n\\widowctrl\\hyphauto"));

    // The sample body of the template never reaches the output; the annotations do.
    const QString text = platform::RtfReader::ToPlainText(doc);
    EXPECT_FALSE(text.contains("Sample Match"));
    for (const char* expected : {"A bold claim, an italic aside", "caf\u00e9, na\u00efve",
                                 "second point with strong", "24/14", "return 0; // done"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
}

// Another program reads the merged document too (skipped where pandoc is not installed).
TEST(RTFParser, TheMergedDocumentReadsInAnotherProgram) {
    const QString pandoc = QStandardPaths::findExecutable("pandoc");
    if (pandoc.isEmpty())
        GTEST_SKIP() << "pandoc is not installed";
    CRTFParser parser;
    const QByteArray doc =
        mergedDocument(parser, {testData("pandoc-annotation.rtf"), testData("pandoc-picture.rtf"),
                                testData("enscript-code.rtf")});
    QProcess process;
    process.start(pandoc, {"-f", "rtf", "-t", "plain"});
    ASSERT_TRUE(process.waitForStarted());
    process.write(doc);
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    for (const char* expected : {"Opening notes", "second point with strong words", "A quoted remark", "Roll",
                                 "8/5 6/5", "Well played.", "[image]", "return 0; // done"})
        EXPECT_TRUE(text.contains(expected)) << expected << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains("Sample Match"));
}

TEST(RTFParser, ColourTablesKeepTheAutomaticColourFirst) {
    CRTFParser parser;
    parser.ParseRtf("{\\rtf1{\\colortbl;\\red0\\green0\\blue0;}}", CRTFParser::kReadTemplate, nullptr);
    parser.ParseRtf("{\\rtf1{\\colortbl;\\red255\\green255\\blue255;\\red0\\green0\\blue0;}}",
                    CRTFParser::kReadTemplate, nullptr);
    EXPECT_EQ(parser.Colors(), (QList<qint64>{-1, 0, 0xFFFFFF}));
    QByteArray out;
    parser.ParseRtf("{\\rtf1{\\colortbl\\red255\\green255\\blue255;;}\\cf0 a\\cf1 b\\cf7 c}",
                    CRTFParser::kAppendBody, &out);
    EXPECT_EQ(out, "\\cf2 a\\cf0 b\\cf0 c");
}

TEST(RTFParser, UnknownWordsPassThroughUnchanged) {
    CRTFParser parser;
    QByteArray out;
    EXPECT_EQ(parser.ParseRtf("{\\rtf1 \\foo12 x\\bar-3\\baz{\\*\\qux y}\\'e9\\~\\u233?}",
                              CRTFParser::kFirstBody, &out),
              CRTFParser::ecOK);
    EXPECT_EQ(out, "\\foo12 x\\bar-3\\baz{\\*\\qux y}\\'e9\\~\\u233?");
    EXPECT_EQ(parser.OwnKeywords(), (QList<QByteArray>{"foo", "bar", "baz", "qux", "u"}));
}

TEST(RTFParser, ErrorsStopTheRunWithTheirCodes) {
    const struct {
        QByteArray text;
        int mode;
        int result;
    } cases[] = {
        {"{\\rtf1 text", CRTFParser::kFirstBody, CRTFParser::ecUnmatchedBrace},
        {"{\\rtf1 text}}", CRTFParser::kFirstBody, CRTFParser::ecStackUnderflow},
        {"{\\rtf1 text\\", CRTFParser::kFirstBody, CRTFParser::ecEndOfFile},
        {"{\\rtf1 text\\li-", CRTFParser::kFirstBody, CRTFParser::ecEndOfFile},
        {"{\\rtf1 \\'zz}", CRTFParser::kFirstBody, CRTFParser::ecInvalidHex},
        {QByteArray(300, '{'), CRTFParser::kFirstBody, CRTFParser::ecStackOverflow},
        {"{\\rtf1{\\fonttbl{\\f0 " + QByteArray(2000, 'x') + ";}}}", CRTFParser::kReadTemplate,
         CRTFParser::ecBufferFull},
        {"{\\rtf1{\\fonttbl{\\f0 A;}}\\pard x}", CRTFParser::kReadTemplate, CRTFParser::ecBodyReached},
        {"{\\rtf1{\\fonttbl{\\f0 A;}} body}", CRTFParser::kCopyHeader, CRTFParser::ecBodyReached},
        {"{\\rtf1{\\fonttbl{\\f0 A;}}}", CRTFParser::kReadTemplate, CRTFParser::ecOK},
        {"", CRTFParser::kAppendBody, CRTFParser::ecOK},
        {"{}", 7, CRTFParser::ecAssertion},
    };
    for (const auto& c : cases) {
        CRTFParser parser;
        QByteArray out;
        EXPECT_EQ(parser.ParseRtf(c.text, c.mode, &out), c.result) << c.text.left(60).toStdString();
    }
}

TEST(RTFParser, HostileBodiesCannotBreakTheDocument) {
    const QByteArray bodies[] = {
        "{\\rtf1 {\\b open",
        "{\\rtf1 {\\b x}}}}}}",
        "{\\rtf1 {\\i \\'4",
        "{\\rtf1 " + QByteArray(5000, '{') + "deep",
        "{\\rtf1 {\\fonttbl{\\f0 A;}{\\f1 B;}}{\\colortbl;}{{{x}}}{}",
        "{\\rtf1 {\\stylesheet{\\s1 A;}{\\s1 A;}{\\cs2 B;}}\\s1 x\\cs2 y}",
        "{\\rtf1 {\\fonttbl\\f0\\fswiss Helvetica;\\f1 Courier;}\\f1 x}",
        "{\\rtf1 {\\bin5 }}}}}x}",
        "{\\rtf1 \\fonttbl{\\f0 odd;}}",
        "}{\\rtf1 x}",
        "\\",
        "{\\rtf1 {\\*\\panose {{{",
    };
    for (const QByteArray& body : bodies) {
        CRTFParser parser;
        for (int mode : {CRTFParser::kFirstBody, CRTFParser::kAppendBody}) {
            QByteArray out;
            parser.ParseRtf(body, mode, &out);
            EXPECT_TRUE(CRtfWriter::IsBalanced("{" + out + "}"))
                << body.left(60).toStdString() << " -> " << out.toStdString();
            EXPECT_LE(out.size(), body.size() + 64);
        }
    }
}

TEST(RTFParser, TablesStayBoundedWhateverTheTextHolds) {
    QByteArray colors = "{\\rtf1{\\colortbl;";
    QByteArray fonts = "{\\fonttbl";
    for (int i = 0; i < 3000; ++i) {
        colors +=
            "\\red" + QByteArray::number(i % 256) + "\\green" + QByteArray::number(i / 256) + "\\blue0;";
        fonts += "{\\f" + QByteArray::number(i) + " F" + QByteArray::number(i) + ";}";
    }
    QByteArray longFont = "{\\f9999";
    for (int i = 0; i < 500; ++i)
        longFont += "\\fprq2";
    longFont += " Long;}";
    CRTFParser parser;
    EXPECT_EQ(parser.ParseRtf(colors + "}" + fonts + "}}", CRTFParser::kReadTemplate, nullptr),
              CRTFParser::ecOK);
    EXPECT_EQ(parser.Colors().size(), CRTFParser::kMaxTableSize);
    EXPECT_EQ(parser.Fonts().size(), CRTFParser::kMaxTableSize);
    CRTFParser words;
    words.ParseRtf("{\\rtf1{\\fonttbl" + longFont + "}}", CRTFParser::kReadTemplate, nullptr);
    ASSERT_EQ(words.Fonts().size(), 1);
    EXPECT_EQ(words.Fonts()[0].words.size(), CRTFParser::kMaxEntryWords);
    // A colour past the table's end reads as the automatic colour.
    QByteArray out;
    parser.ParseRtf(colors + "}\\cf2999 x}", CRTFParser::kAppendBody, &out);
    EXPECT_EQ(out, "\\cf0 x");
}

TEST(RTFParser, StyleNumbersStayInRangeAndEntriesCarryNoFieldOrObjectWords) {
    CRTFParser parser;
    parser.ParseRtf(templateText(), CRTFParser::kReadTemplate, nullptr);
    parser.ParseRtf("{\\rtf1{\\stylesheet{\\s2147483647 Huge;}{\\s-1 Negative;}{\\s-2147483647 Lowest;}"
                    "{\\s40\\field\\fldinst\\objdata\\result\\b Fielded;}}"
                    "{\\fonttbl{\\f2147483647\\objclass Big;}{\\f-5 Below;}}}",
                    CRTFParser::kReadTemplate, nullptr);
    for (const CRTFParser::Entry& e : parser.Styles() + parser.Fonts())
        EXPECT_TRUE(e.number >= 0 && e.number <= 32767) << e.name.toStdString() << " " << e.number;
    for (const char* name : {"Huge", "Negative", "Lowest"})
        EXPECT_NE(findByName(parser.Styles(), name), nullptr) << name;
    const QByteArray style = parser.GetStyleText("Fielded");
    EXPECT_TRUE(style.contains("\\b")) << style.toStdString();
    QByteArray header = "{";
    parser.ParseRtf(templateText(), CRTFParser::kCopyHeader, &header);
    for (const char* word : {"\\field", "\\fld", "\\obj", "\\result"}) {
        EXPECT_FALSE(style.contains(word)) << word;
        EXPECT_FALSE(header.contains(word)) << word;
    }
}

TEST(RTFParser, FontTablesWithoutGroupsAndNestedEntriesAreRead) {
    CRTFParser parser;
    parser.ParseRtf("{\\rtf1{\\fonttbl\\f0\\fswiss Helvetica;\\f1\\fmodern Courier;}}",
                    CRTFParser::kReadTemplate, nullptr);
    parser.ParseRtf(
        "{\\rtf1{\\fonttbl{\\f3\\froman{\\*\\panose 02020603050405020304}Times \\'c5ngstr\\'f6m;}}}",
        CRTFParser::kReadTemplate, nullptr);
    ASSERT_EQ(parser.Fonts().size(), 3);
    EXPECT_EQ(parser.Fonts()[0].name, "Helvetica");
    EXPECT_EQ(parser.Fonts()[1].name, "Courier");
    EXPECT_EQ(parser.Fonts()[2].name, "Times \xc5ngstr\xf6m");
    QByteArray header = "{";
    parser.ParseRtf("{\\rtf1{\\fonttbl{\\f0 Helvetica;}}\\pard}", CRTFParser::kCopyHeader, &header);
    EXPECT_EQ(header, "{\\rtf1{\\fonttbl{\\f0\\fswiss Helvetica;}\n{\\f1\\fmodern Courier;}\n"
                      "{\\f3\\froman Times \\'c5ngstr\\'f6m;}\n}");
    // Binary data inside an entry is dropped together with the word that announces it.
    CRTFParser binary;
    binary.ParseRtf("{\\rtf1{\\stylesheet{\\s3\\bin2 }}Odd;}}}", CRTFParser::kReadTemplate, nullptr);
    ASSERT_EQ(binary.Styles().size(), 1);
    EXPECT_EQ(binary.Styles()[0].words, (QList<CRTFParser::Word>{{"s", 3}}));
}

} // namespace
