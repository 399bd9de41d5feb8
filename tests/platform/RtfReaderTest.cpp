#include "platform/RtfReader.h"

#include "support/QtPrinters.h"
#include "version.h"

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <gtest/gtest.h>

namespace {

using platform::RtfReader;

QByteArray testData(const char* name) {
    QFile file(QStringLiteral(NORVALE_SOURCE_DIR "/tests/records/data/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

// The character format at the first occurrence of a word.
QTextCharFormat formatOf(QTextDocument& doc, const QString& word) {
    QTextCursor found = doc.find(word);
    EXPECT_FALSE(found.isNull()) << word.toStdString();
    QTextCursor at(&doc);
    at.setPosition(found.selectionStart() + 1);
    return at.charFormat();
}

TEST(RtfReader, PlainTextOfSmallDocuments) {
    const struct {
        QByteArray rtf;
        QString text;
    } cases[] = {
        {"{\\rtf1 Hello}", "Hello"},
        {"{\\rtf1\\ansi Line one\\par Line two\\par}", "Line one\nLine two"},
        {"{\\rtf1 a\\tab b\\line c}", "a\tb\nc"},
        {"{\\rtf1 caf\\'e9 \\'80 \\'93q\\'94}", "caf\u00e9 \u20ac \u201cq\u201d"},
        {"{\\rtf1\\uc1 \\u233?\\u-4064?x\\uc0\\u8364 y}", "\u00e9\uf020x\u20acy"},
        {"{\\rtf1 \\{braces\\} and \\\\ back}", "{braces} and \\ back"},
        {"{\\rtf1 {\\*\\unknown hidden}{\\info{\\title T}}shown}", "shown"},
        {"{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}{\\stylesheet{Normal;}}body}",
         "body"},
        {"{\\rtf1 {\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt link}}}", "link"},
        {"{\\rtf1 a\\emdash b\\endash c\\bullet \\lquote d\\rquote \\ldblquote e\\rdblquote}",
         "a\u2014b\u2013c\u2022\u2018d\u2019\u201ce\u201d"},
        {"{\\rtf1 x\\~y\\-z}", "x y\u00adz"},
        {"{\\rtf1 A\\cell B\\cell\\row C}", "A\tB\t\nC"},
        {"{\\rtf1 {\\pard\\intbl Roll\\par}\\cell{\\pard\\intbl Play\\par}\\cell\\row\\pard after\\par}",
         "Roll\tPlay\t\nafter"},
        {"{\\rtf1 \\pard\\intbl a\\par b\\par\\cell\\row\\pard\\intbl c\\par\\pard d}", "a\nb\t\nc\nd"},
        {"{\\rtf1\\ansi\\ansicpg1251 \\'c0}", "\u0410"},
        {"{\\rtf1 {\\bin3 abc}rest}", "rest"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RtfReader::ToPlainText(c.rtf), c.text) << c.rtf.toStdString();
}

TEST(RtfReader, CharacterAndParagraphFormats) {
    QTextDocument doc;
    RtfReader reader;
    ASSERT_TRUE(
        reader.Read("{\\rtf1{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss Arial;}}"
                    "{\\colortbl;\\red255\\green0\\blue0;}"
                    "\\pard\\qc\\li720\\fi-360\\sb120\\sl-240\\tx450\\tqr\\tx2070\\f1\\fs36 big "
                    "{\\b bold}{\\i italic}{\\ul under}{\\strike gone}\\cf1 red\\cf0 auto\\plain plain\\par"
                    "\\pard next}",
                    doc))
        << reader.ErrorString().toStdString();
    EXPECT_EQ(formatOf(doc, "big").fontFamilies().toStringList(), QStringList{"Arial"});
    EXPECT_DOUBLE_EQ(formatOf(doc, "big").fontPointSize(), 18.0);
    EXPECT_EQ(formatOf(doc, "bold").fontWeight(), QFont::Bold);
    EXPECT_EQ(formatOf(doc, "big").fontWeight(), QFont::Normal);
    EXPECT_TRUE(formatOf(doc, "italic").fontItalic());
    EXPECT_TRUE(formatOf(doc, "under").fontUnderline());
    EXPECT_TRUE(formatOf(doc, "gone").fontStrikeOut());
    EXPECT_EQ(formatOf(doc, "red").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(formatOf(doc, "auto").foreground().style(), Qt::NoBrush);
    EXPECT_DOUBLE_EQ(formatOf(doc, "plain").fontPointSize(), 12.0);
    EXPECT_TRUE(formatOf(doc, "plain").fontFamilies().toStringList().isEmpty());

    const QTextBlockFormat first = doc.begin().blockFormat();
    EXPECT_EQ(first.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_DOUBLE_EQ(first.leftMargin(), 48.0);
    EXPECT_DOUBLE_EQ(first.textIndent(), -24.0);
    EXPECT_DOUBLE_EQ(first.topMargin(), 8.0);
    EXPECT_EQ(first.lineHeightType(), int(QTextBlockFormat::FixedHeight));
    ASSERT_EQ(first.tabPositions().size(), 2);
    EXPECT_DOUBLE_EQ(first.tabPositions()[0].position, 30.0);
    EXPECT_EQ(first.tabPositions()[1].type, QTextOption::RightTab);
    EXPECT_EQ(doc.blockCount(), 2);
    EXPECT_DOUBLE_EQ(doc.lastBlock().blockFormat().leftMargin(), 0.0);
}

TEST(RtfReader, DocumentsFromOtherProgramsRead) {
    QTextDocument doc;
    RtfReader reader;
    ASSERT_TRUE(reader.Read(testData("pandoc-annotation.rtf"), doc)) << reader.ErrorString().toStdString();
    const QString text = doc.toPlainText();
    for (const char* expected : {"Opening notes", "A bold claim, an italic aside and some code",
                                 "caf\u00e9, na\u00efve, \u201cquotes\u201d \u2014 and a dash",
                                 "\u2022\tfirst point", "A quoted remark", "Roll", "8/5 6/5"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_EQ(formatOf(doc, "bold").fontWeight(), QFont::Bold);
    EXPECT_EQ(formatOf(doc, "code").fontFamilies().toStringList(), QStringList{"Courier"});
    EXPECT_EQ(formatOf(doc, "claim").fontFamilies().toStringList(), QStringList{"Helvetica"});

    ASSERT_TRUE(reader.Read(testData("enscript-code.rtf"), doc)) << reader.ErrorString().toStdString();
    EXPECT_TRUE(doc.toPlainText().contains("return 0; // done"));
    EXPECT_EQ(formatOf(doc, "return").fontFamilies().toStringList(), QStringList{"Courier New"});
}

TEST(RtfReader, PicturesTakeTheirGoalSize) {
    QTextDocument doc;
    ASSERT_TRUE(RtfReader().Read(testData("pandoc-picture.rtf"), doc));
    int images = 0;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            ++images;
            const QTextImageFormat image = format.toImageFormat();
            EXPECT_DOUBLE_EQ(image.width(), 96.0); // 1440 twips
            EXPECT_FALSE(doc.resource(QTextDocument::ImageResource, QUrl(image.name())).isNull());
        }
    EXPECT_EQ(images, 1);
    EXPECT_TRUE(doc.toPlainText().contains("Well played."));
}

TEST(RtfReader, BadInputEndsWithWhatWasRead) {
    const struct {
        QByteArray rtf;
        bool ok;
        QString text;
    } cases[] = {
        {"not rtf at all", false, ""},
        {"", false, ""},
        {"{\\rtf1 open group {\\b bold", false, "open group bold"},
        {"{\\rtf1 x}}}} after", true, "x"},
        {"{\\rtf1 x\\", false, "x"},
        {"{\\rtf1 " + QByteArray(100000, '{') + "deep" + QByteArray(100000, '}') + " end}", true, "deep end"},
        {"{\\rtf1 {\\pict\\pngblip 89504e47zz}after}", true, "after"},
        {"{\\rtf1 {\\pict\\pngblip\\bin999999999 }}", false, ""},
        {"{\\rtf1 {\\pict\\jpegblip\\picwgoal-5 ffd8ffe0}ok}", true, "ok"},
        {"{\\rtf1 \\u99999999999? \\'", false, ""},
        {"{\\rtf1 \\fs99999999 big\\li-99999999 \\sl-2147483647 x}", true, "bigx"},
        {"{\\rtf1\\ansicpg99999 \\'e9}", true, "\u00e9"},
    };
    for (const auto& c : cases) {
        QTextDocument doc;
        RtfReader reader;
        EXPECT_EQ(reader.Read(c.rtf, doc), c.ok) << c.rtf.left(40).toStdString();
        EXPECT_EQ(reader.ErrorString().isEmpty(), c.ok);
        EXPECT_TRUE(doc.toPlainText().contains(c.text)) << c.rtf.left(40).toStdString();
    }
}

} // namespace
