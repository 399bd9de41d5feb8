#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace platform;

const QByteArray kRtf = "{\\rtf1\\ansi {\\b 1.} 31/8: 8/5 6/5\\par}";

TEST(Clipboard, TextAndRtfTravelTogether) {
    std::unique_ptr<QMimeData> data(MakeTextAndRtfMimeData("1. 31/8: 8/5 6/5\r\n", kRtf));
    EXPECT_EQ(data->text(), "1. 31/8: 8/5 6/5\r\n");
    EXPECT_EQ(data->data("text/rtf"), kRtf);
    EXPECT_EQ(data->data("application/rtf"), kRtf);
    EXPECT_FALSE(data->hasHtml()); // nothing else claims to be there

    std::unique_ptr<QMimeData> plain(MakeTextAndRtfMimeData("only text", QByteArray()));
    EXPECT_FALSE(plain->hasFormat("text/rtf"));
}

TEST(Clipboard, SetAndReadBack) {
    SetClipboardTextAndRtf(QString::fromUtf16(u"caf\u00E9"), kRtf);
    EXPECT_EQ(ClipboardText(), QString::fromUtf16(u"caf\u00E9"));
    EXPECT_EQ(ClipboardRtf(), kRtf);

    // Plain text replaces the RTF as well.
    SetClipboardText("plain");
    EXPECT_EQ(ClipboardText(), "plain");
    EXPECT_TRUE(ClipboardRtf().isEmpty());

    // RTF put there by another program under the other type is found too.
    auto* foreign = new QMimeData;
    foreign->setData("application/rtf", kRtf);
    QGuiApplication::clipboard()->setMimeData(foreign);
    EXPECT_EQ(ClipboardRtf(), kRtf);
}

} // namespace
